#include "model/SubjectMaskParameters.h"

#include "model/JsonRecord.h"

namespace vantrel {
namespace {

using namespace json_io;
using S = SubjectAdjustment;
using B = BackgroundAdjustment;
using P = SubjectMaskParameters;

constexpr auto subjectSchema = strictRecord(field("exposure", &S::exposure), field("contrast", &S::contrast),
                                            field("temperature", &S::temperature),
                                            field("saturation", &S::saturation), field("clarity", &S::clarity));

constexpr auto backgroundSchema = strictRecord(field("exposure", &B::exposure), field("contrast", &B::contrast),
                                               field("temperature", &B::temperature),
                                               field("saturation", &B::saturation), field("blurRadius", &B::blurRadius));

constexpr auto maskSchema =
    strictRecord(field("isEnabled", &P::isEnabled), field("hasDetectedSubject", &P::hasDetectedSubject),
                 field("isInverted", &P::isInverted), field("subject", &P::subject), field("background", &P::background));

}  // namespace

const SubjectAdjustment& SubjectAdjustment::defaultValue() {
    static const SubjectAdjustment value{};
    return value;
}

const BackgroundAdjustment& BackgroundAdjustment::defaultValue() {
    static const BackgroundAdjustment value{};
    return value;
}

const SubjectMaskParameters& SubjectMaskParameters::defaultValue() {
    static const SubjectMaskParameters value{};
    return value;
}

void to_json(nlohmann::json& j, const SubjectAdjustment& adjustment) { writeRecord(j, adjustment, subjectSchema); }
void from_json(const nlohmann::json& j, SubjectAdjustment& adjustment) { readRecord(j, adjustment, subjectSchema); }
void to_json(nlohmann::json& j, const BackgroundAdjustment& adjustment) { writeRecord(j, adjustment, backgroundSchema); }
void from_json(const nlohmann::json& j, BackgroundAdjustment& adjustment) {
    readRecord(j, adjustment, backgroundSchema);
}
void to_json(nlohmann::json& j, const SubjectMaskParameters& mask) { writeRecord(j, mask, maskSchema); }
void from_json(const nlohmann::json& j, SubjectMaskParameters& mask) { readRecord(j, mask, maskSchema); }

}  // namespace vantrel
