#include "model/Point.h"

#include "model/JsonRecord.h"

namespace vantrel {

void to_json(nlohmann::json& j, const Point& point) {
    nlohmann::json x, y;
    json_io::inSegment("[0]", [&] { json_io::write(x, point.x); });
    json_io::inSegment("[1]", [&] { json_io::write(y, point.y); });
    j = nlohmann::json::array({std::move(x), std::move(y)});
}

void from_json(const nlohmann::json& j, Point& point) {
    if (!j.is_array()) json_io::failType(j, "array of two numbers");
    if (j.size() < 2) throw JsonDecodeError({}, "expected array of two numbers, found " + std::to_string(j.size()));
    Point read;
    json_io::inSegment("[0]", [&] { json_io::read(j[0], read.x); });
    json_io::inSegment("[1]", [&] { json_io::read(j[1], read.y); });
    point = read;
}

}  // namespace vantrel
