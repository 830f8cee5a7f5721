#pragma once
// CPU time of the whole process (all threads), for a counter that stays meaningful when the
// machine is busy and wall times are not.
#include <sys/resource.h>

namespace vantrel::bench {

inline double processCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + 1e-6 * double(u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

// Counts process CPU milliseconds per iteration between construction and destruction.
class ProcessCpuCounter {
public:
    explicit ProcessCpuCounter(benchmark::State& state) : state_(state), start_(processCpuSeconds()) {}
    ~ProcessCpuCounter() {
        const double iterations = double(state_.iterations());
        if (iterations > 0) state_.counters["cpu_ms"] = (processCpuSeconds() - start_) * 1e3 / iterations;
    }

private:
    benchmark::State& state_;
    double start_;
};

}  // namespace vantrel::bench
