#pragma once
// A two-way link to one value held elsewhere: a getter and a setter. Views take
// bindings instead of the view model, so they can be built and tested on their
// own; a binding projects to a member of its value (a slider bound to
// `exposure` inside the recipe) by reading the whole value and writing it back.
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

namespace vantrel {

template <typename T>
class Binding {
public:
    using Getter = std::function<T()>;
    using Setter = std::function<void(const T&)>;

    Binding(Getter get, Setter set) : get_(std::move(get)), set_(std::move(set)) {}

    // A binding over its own stored value (previews, view tests).
    static Binding constant(T value) {
        auto cell = std::make_shared<T>(std::move(value));
        return Binding([cell] { return *cell; }, [cell](const T& v) { *cell = v; });
    }

    T get() const { return get_(); }
    void set(const T& value) const { set_(value); }

    // The binding of one member: reads the whole value, writes it back with
    // only that member changed, so the owner's change signal still fires once.
    template <typename M, typename Whole = T>
        requires std::is_class_v<Whole>
    Binding<M> projected(M Whole::*member) const {
        return Binding<M>([get = get_, member] { return get().*member; },
                          [get = get_, set = set_, member](const M& v) {
                              T whole = get();
                              whole.*member = v;
                              set(whole);
                          });
    }

    // The same for any part reached through a pair of accessors.
    template <typename M, typename Read, typename Write>
    Binding<M> projected(Read read, Write write) const {
        return Binding<M>([get = get_, read] { return read(get()); },
                          [get = get_, set = set_, write](const M& v) {
                              T whole = get();
                              write(whole, v);
                              set(whole);
                          });
    }

private:
    Getter get_;
    Setter set_;
};

}  // namespace vantrel
