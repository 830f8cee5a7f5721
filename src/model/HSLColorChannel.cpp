#include "model/HSLColorChannel.h"

namespace vantrel {

std::string_view colorHex(HSLColorChannel channel) {
    switch (channel) {
        case HSLColorChannel::red: return "#FF3B30";
        case HSLColorChannel::orange: return "#FF9500";
        case HSLColorChannel::yellow: return "#FFCC00";
        case HSLColorChannel::green: return "#34C759";
        case HSLColorChannel::cyan: return "#32ADE6";
        case HSLColorChannel::blue: return "#007AFF";
        case HSLColorChannel::purple: return "#AF52DE";
        case HSLColorChannel::magenta: return "#FF2D55";
    }
    return "#FF3B30";
}

double hueCenter(HSLColorChannel channel) {
    switch (channel) {
        case HSLColorChannel::red: return 0;
        case HSLColorChannel::orange: return 30;
        case HSLColorChannel::yellow: return 60;
        case HSLColorChannel::green: return 120;
        case HSLColorChannel::cyan: return 180;
        case HSLColorChannel::blue: return 240;
        case HSLColorChannel::purple: return 285;
        case HSLColorChannel::magenta: return 330;
    }
    return 0;
}

}  // namespace vantrel
