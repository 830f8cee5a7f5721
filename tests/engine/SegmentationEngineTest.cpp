#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include <unistd.h>

#include <opencv2/imgproc.hpp>

#include "common/PortraitScene.h"
#include "engine/analysis/subject/FaceFinder.h"
#include "engine/analysis/subject/PersonPrior.h"
#include "engine/analysis/subject/SubjectModels.h"
#include "engine/analysis/subject/SubjectSegmentationEngine.h"
#include "engine/core/Context.h"

namespace vantrel {
namespace {

using testing::mottledGround;

RgbaView viewOf(const cv::Mat& rgba) { return {rgba.data, rgba.cols, rgba.rows, rgba.step[0]}; }

// Paints `shape` (255 inside) in `colour` over `rgba`, with a soft edge.
void paint(cv::Mat& rgba, const cv::Mat& shape, cv::Vec3b colour) {
    const cv::Rect box = cv::Rect(cv::boundingRect(shape) + cv::Size(8, 8) - cv::Point(4, 4)) & cv::Rect({}, rgba.size());
    cv::Mat alpha;
    cv::GaussianBlur(shape(box), alpha, cv::Size(0, 0), 1.0);
    for (int y = 0; y < box.height; ++y) {
        const std::uint8_t* a = alpha.ptr<std::uint8_t>(y);
        cv::Vec4b* p = rgba.ptr<cv::Vec4b>(box.y + y) + box.x;
        for (int x = 0; x < box.width; ++x) {
            const float w = a[x] / 255.0f;
            for (int c = 0; c < 3; ++c) p[x][c] = cv::saturate_cast<std::uint8_t>(p[x][c] * (1 - w) + colour[c] * w);
        }
    }
}

cv::Mat discShape(cv::Size size, cv::Point centre, int radius) {
    cv::Mat shape = cv::Mat::zeros(size, CV_8U);
    cv::circle(shape, centre, radius, cv::Scalar(255), cv::FILLED, cv::LINE_AA);
    return shape > 127;
}

// A standing figure: head, body and legs.
cv::Mat figureShape(cv::Size size) {
    cv::Mat shape = cv::Mat::zeros(size, CV_8U);
    const double u = size.height / 100.0;
    const cv::Point c(int(size.width * 0.42), 0);
    cv::circle(shape, c + cv::Point(0, int(22 * u)), int(8 * u), cv::Scalar(255), cv::FILLED, cv::LINE_AA);
    cv::ellipse(shape, c + cv::Point(0, int(48 * u)), cv::Size(int(13 * u), int(20 * u)), 0, 0, 360, cv::Scalar(255),
                cv::FILLED, cv::LINE_AA);
    cv::rectangle(shape, c + cv::Point(int(-10 * u), int(60 * u)), c + cv::Point(int(-3 * u), int(88 * u)), cv::Scalar(255),
                  cv::FILLED);
    cv::rectangle(shape, c + cv::Point(int(3 * u), int(60 * u)), c + cv::Point(int(10 * u), int(88 * u)), cv::Scalar(255),
                  cv::FILLED);
    return shape > 127;
}

// The mask brought to `size`, cut at one half.
cv::Mat binaryAt(const SubjectSegmentationEngine::Mask& mask, cv::Size size) {
    const cv::Mat values(mask.height, mask.width, CV_32F, const_cast<float*>(mask.values.data()));
    cv::Mat resized;
    cv::resize(values, resized, size, 0, 0, cv::INTER_LINEAR);
    return resized >= 0.5f;
}

double iou(const cv::Mat& a, const cv::Mat& b) {
    const double inter = cv::countNonZero(a & b), uni = cv::countNonZero(a | b);
    return uni > 0 ? inter / uni : 0.0;
}

TEST(SegmentationEngineTest, SegmentsADiscAndAFigureOnTexturedBackgrounds) {
    const cv::Size size(1500, 1000);
    struct Layer {
        cv::Mat shape;
        cv::Vec3b colour;
    };
    struct Case {
        const char* name;
        std::vector<Layer> layers;
    };
    const cv::Mat disc = discShape(size, {820, 470}, 260), figure = figureShape(size);
    const cv::Mat atEdge = discShape(size, {300, 980}, 250);  // runs off the bottom edge
    const std::vector<Case> cases = {
        {"bright disc", {{disc, {245, 235, 220}}}},
        {"figure", {{figure, {190, 40, 50}}}},
        {"figure and a subject cut by the edge", {{figure, {120, 60, 140}}, {atEdge, {40, 60, 200}}}},
    };
    for (const Case& c : cases) {
        cv::Mat frame = mottledGround(size, 11);
        cv::Mat truth = cv::Mat::zeros(size, CV_8U);
        for (const Layer& l : c.layers) {
            paint(frame, l.shape, l.colour);
            truth |= l.shape;
        }
        const auto mask = SubjectSegmentationEngine::shared().segment(viewOf(frame));
        ASSERT_TRUE(mask.has_value()) << c.name;
        EXPECT_EQ(std::max(mask->width, mask->height), SubjectSegmentationEngine::kMaskLongSide);
        EXPECT_GE(iou(binaryAt(*mask, size), truth), 0.8) << c.name;
        for (float v : mask->values) ASSERT_TRUE(v >= 0.0f && v <= 1.0f);
    }
}

// A face finder that reports the faces (of people, and of animals) the test placed, scaled to
// the picture it is shown.
class PlacedFaces final : public FaceFinder {
public:
    PlacedFaces(cv::Size frame, std::vector<cv::Rect> faces, std::vector<cv::Rect> animals = {})
        : frame_(frame), faces_(std::move(faces)), animals_(std::move(animals)) {}
    std::vector<cv::Rect> find(const cv::Mat& rgb) const override { return scaled(faces_, rgb); }
    std::vector<cv::Rect> findAnimals(const cv::Mat& rgb) const override { return scaled(animals_, rgb); }

private:
    std::vector<cv::Rect> scaled(const std::vector<cv::Rect>& faces, const cv::Mat& rgb) const {
        const double s = double(rgb.cols) / frame_.width;
        std::vector<cv::Rect> out;
        for (const cv::Rect& f : faces) out.emplace_back(int(f.x * s), int(f.y * s), int(f.width * s), int(f.height * s));
        return out;
    }
    cv::Size frame_;
    std::vector<cv::Rect> faces_, animals_;
};

// Mean of the mask (brought to `size`) where `where` is set.
double meanWhere(const SubjectSegmentationEngine::Mask& mask, cv::Size size, const cv::Mat& where) {
    const cv::Mat values(mask.height, mask.width, CV_32F, const_cast<float*>(mask.values.data()));
    cv::Mat resized;
    cv::resize(values, resized, size, 0, 0, cv::INTER_LINEAR);
    return cv::mean(resized, where)[0];
}

TEST(SegmentationEngineTest, PeopleAreCutOutBelowTheirFacesAgainstFoliage) {
    const cv::Size size(1500, 1000);
    struct Person {
        cv::Point face;
        int width;
        cv::Scalar shirt;
    };
    struct Case {
        const char* name;
        std::vector<Person> people;
    };
    // A white T-shirt, a shirt as green as the leaves behind it, and two people side by side.
    const std::vector<Case> cases = {
        {"head and shoulders", {{{760, 330}, 220, {235, 235, 230, 255}}}},
        {"green shirt", {{{700, 380}, 200, {70, 120, 60, 255}}}},
        {"two people", {{{420, 420}, 150, {40, 50, 120, 255}}, {{1080, 380}, 160, {150, 40, 40, 255}}}},
    };
    for (const Case& c : cases) {
        cv::Mat frame = mottledGround(size, 21, true);
        cv::Mat truth = cv::Mat::zeros(size, CV_8U);
        std::vector<cv::Rect> boxes;
        for (const Person& p : c.people) {
            testing::drawPerson(frame, p.face, p.width, p.shirt);
            truth |= testing::figureShape(size, p.face, p.width);
            boxes.push_back(testing::faceBox(p.face, p.width));
        }
        const PlacedFaces faces(size, boxes);
        const auto mask = SubjectSegmentationEngine(faces).segment(viewOf(frame));
        ASSERT_TRUE(mask.has_value()) << c.name;
        EXPECT_EQ(mask->found, SubjectSegmentationEngine::Found::person) << c.name;
        const cv::Mat found = binaryAt(*mask, size);
        // The figure whole (the green shirt too, for it lies below a face), the leaves
        // and their bright blobs left out.
        EXPECT_GE(iou(found, truth), c.people[0].shirt[1] == 120 ? 0.75 : 0.85) << c.name;
        EXPECT_LE(meanWhere(*mask, size, truth == 0), 0.05) << c.name;
    }

    // The seeds: the face's middle surely subject, the figure probably, the border bands far
    // from it surely background; a face at the bottom edge is clipped, not a fault.
    const cv::Size small(300, 200);
    const auto seeds = subject::personPrior(small, {cv::Rect2d(130, 40, 40, 40), cv::Rect2d(20, 185, 30, 30)});
    EXPECT_EQ(seeds.labels.at<std::uint8_t>(60, 150), cv::GC_FGD);
    EXPECT_EQ(seeds.labels.at<std::uint8_t>(150, 150), cv::GC_PR_FGD);  // the torso
    EXPECT_EQ(seeds.labels.at<std::uint8_t>(2, 290), cv::GC_BGD);
    EXPECT_EQ(seeds.labels.at<std::uint8_t>(195, 30), cv::GC_FGD);
    // Low on the torso the figure is probably the person but teaches nothing: a table or a
    // counter hides the body there as often as not.
    const auto bar = subject::personPrior(small, {cv::Rect2d(130, 20, 30, 30)});
    EXPECT_EQ(bar.labels.at<std::uint8_t>(145, 145), cv::GC_PR_FGD);
    EXPECT_EQ(bar.learnFrom.at<std::uint8_t>(145, 145), 0);
    EXPECT_EQ(bar.learnFrom.at<std::uint8_t>(75, 145), 255);
    // A close portrait's shoulders fill the frame: the little beside the head still teaches
    // the background.
    const auto close = subject::personPrior(small, {cv::Rect2d(110, 30, 80, 80)});
    EXPECT_EQ(close.labels.at<std::uint8_t>(40, 60), cv::GC_PR_BGD);
    EXPECT_EQ(close.learnFrom.at<std::uint8_t>(40, 60), 255);

    // A cat found by its face, and no person: the figure below the face is a body wider and
    // lower than a person's, of fur in two colours, cut out whole.
    const cv::Size frame(1500, 1000);
    cv::Mat cat = mottledGround(frame, 31, true);
    cv::Mat body = cv::Mat::zeros(frame, CV_8U), chest = body.clone(), head = body.clone();
    cv::ellipse(body, cv::Point(720, 640), cv::Size(360, 200), 0, 0, 360, cv::Scalar(255), cv::FILLED);
    cv::ellipse(chest, cv::Point(720, 560), cv::Size(110, 120), 0, 0, 360, cv::Scalar(255), cv::FILLED);
    cv::ellipse(head, cv::Point(720, 380), cv::Size(130, 115), 0, 0, 360, cv::Scalar(255), cv::FILLED);
    for (int side : {-1, 1}) {
        const std::vector<cv::Point> ear = {{720 + side * 60, 300}, {720 + side * 125, 300}, {720 + side * 110, 215}};
        cv::fillPoly(head, std::vector<std::vector<cv::Point>>{ear}, cv::Scalar(255));
    }
    paint(cat, (body | head) > 0, {140, 95, 60});
    paint(cat, chest > 0, {235, 230, 220});
    const cv::Mat animal = (body | head | chest) > 0;
    const PlacedFaces catFace(frame, {}, {cv::Rect(610, 290, 220, 200)});
    const auto found = SubjectSegmentationEngine(catFace).segment(viewOf(cat));
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->found, SubjectSegmentationEngine::Found::animal);
    EXPECT_GE(iou(binaryAt(*found, frame), animal), 0.8);
    EXPECT_GE(meanWhere(*found, frame, (body > 0) & (chest == 0)), 0.8);
    EXPECT_LE(meanWhere(*found, frame, animal == 0), 0.05);
    // Beside the chest, two faces out, is the animal's body but not a person's.
    const auto labelsOf = [&](subject::Figure f) { return subject::personPrior(small, {cv::Rect2d(130, 40, 40, 40)}, f).labels; };
    EXPECT_EQ(labelsOf(subject::Figure::animal).at<std::uint8_t>(140, 80), cv::GC_PR_FGD);
    EXPECT_NE(labelsOf(subject::Figure::person).at<std::uint8_t>(140, 80), cv::GC_PR_FGD);
}

TEST(SegmentationEngineTest, AFaceTheGrassDrawsDoesNotMakeAPerson) {
    // A brown horse on sunlit grass; the finder reports a face on the grass between its legs,
    // as the cascades do on such texture. No eyes, no skin's colour, grass beside it and
    // below: no person. The horse, found as the object it is, is the subject.
    const cv::Size size(1500, 1000);
    cv::Mat frame = mottledGround(size, 41, true);
    cv::Mat horse = cv::Mat::zeros(size, CV_8U);
    cv::ellipse(horse, cv::Point(760, 430), cv::Size(300, 130), 0, 0, 360, cv::Scalar(255), cv::FILLED);
    cv::ellipse(horse, cv::Point(1110, 300), cv::Size(90, 60), -35, 0, 360, cv::Scalar(255), cv::FILLED);
    cv::line(horse, {1010, 380}, {1080, 300}, cv::Scalar(255), 80);
    for (int x : {540, 620, 900, 980}) cv::rectangle(horse, cv::Rect(x, 480, 45, 330), cv::Scalar(255), cv::FILLED);
    paint(frame, horse > 0, {120, 70, 40});
    const cv::Rect onGrass(700, 620, 110, 110);
    const PlacedFaces grassFace(size, {onGrass});
    const auto mask = SubjectSegmentationEngine(grassFace).segment(viewOf(frame));
    ASSERT_TRUE(mask.has_value());
    EXPECT_EQ(mask->found, SubjectSegmentationEngine::Found::object);
    EXPECT_GE(iou(binaryAt(*mask, size), horse > 0), 0.75);
    cv::Mat grass = cv::Mat::zeros(size, CV_8U);
    grass(onGrass).setTo(255);
    EXPECT_LE(meanWhere(*mask, size, grass & (horse == 0)), 0.1);
}

TEST(SegmentationEngineTest, ABirdOnABranchIsCutWithoutTheBranchRunningToTheEdge) {
    const PlacedFaces none({1200, 800}, {});
    const SubjectSegmentationEngine engine(none);
    // A kingfisher on a twig that runs out of the frame's right edge, before a pale, soft ground.
    cv::Mat frame(800, 1200, CV_8UC4, cv::Scalar(200, 210, 190, 255));
    cv::Mat grain(frame.size(), CV_8UC4);
    cv::randn(grain, cv::Scalar::all(0), cv::Scalar(3, 3, 3, 0));
    frame += grain;
    cv::Mat bird = cv::Mat::zeros(frame.size(), CV_8U), twig = bird.clone();
    cv::ellipse(bird, cv::Point(500, 380), cv::Size(110, 75), -20, 0, 360, cv::Scalar(255), cv::FILLED);
    cv::circle(bird, cv::Point(420, 300), 55, cv::Scalar(255), cv::FILLED);
    cv::line(twig, {470, 470}, {1199, 520}, cv::Scalar(255), 14);
    paint(frame, twig > 0, {90, 60, 35});
    paint(frame, bird > 0, {30, 110, 170});
    const auto mask = engine.segment(viewOf(frame));
    ASSERT_TRUE(mask.has_value());
    EXPECT_EQ(mask->found, SubjectSegmentationEngine::Found::object);
    EXPECT_GE(iou(binaryAt(*mask, frame.size()), bird > 0), 0.8);
    // Where the twig runs on to the edge, away from the bird, the mask is the ground's.
    cv::Mat farTwig = cv::Mat::zeros(frame.size(), CV_8U);
    farTwig.colRange(800, 1200).setTo(255);
    EXPECT_LE(meanWhere(*mask, frame.size(), twig & farTwig), 0.1);
}

// A dark ground (a hillside in shade) with sunlit, detailed patches on it, `patches` their
// shapes; one lies right of the middle and runs out of the frame's right edge.
cv::Mat shadedHillsideWithSunlitPatches(cv::Size size, std::vector<cv::Mat>& patches) {
    cv::Mat frame(size, CV_8UC4, cv::Scalar(45, 70, 40, 255));
    cv::Mat grain(size, CV_8UC4);
    cv::randn(grain, cv::Scalar::all(0), cv::Scalar(6, 6, 6, 0));
    frame += grain;
    const std::vector<cv::Rect> lit = {{60, 80, 260, 180}, {760, 220, 520, 260}, {150, 560, 230, 160}};
    for (const cv::Rect& r : lit) {
        cv::Mat patch = cv::Mat::zeros(size, CV_8U);
        cv::ellipse(patch, (r.tl() + r.br()) / 2, r.size() / 2, 10, 0, 360, cv::Scalar(255), cv::FILLED);
        patches.push_back(patch > 0);
        paint(frame, patches.back(), {175, 200, 120});
    }
    // Sunlit grass is full of detail.
    cv::Mat sunlit = cv::Mat::zeros(size, CV_8U);
    for (const cv::Mat& p : patches) sunlit |= p;
    cv::randn(grain, cv::Scalar::all(0), cv::Scalar(12, 12, 12, 0));
    cv::Mat textured = frame + grain;
    textured.copyTo(frame, sunlit);
    return frame;
}

TEST(SegmentationEngineTest, TheGroundAThingStandsOnIsNotTheThing) {
    const PlacedFaces none({1200, 800}, {});
    const SubjectSegmentationEngine engine(none);
    struct Case {
        const char* name;
        cv::Mat frame, thing, ground;
    };
    std::vector<Case> cases;
    {
        // A machine before a shaded hillside whose sunlit patches draw the eye as it does: the
        // patches, one of them touching it and running out of the frame, are background.
        std::vector<cv::Mat> patches;
        cv::Mat frame = shadedHillsideWithSunlitPatches({1200, 800}, patches);
        cv::Mat machine = cv::Mat::zeros(frame.size(), CV_8U);
        cv::rectangle(machine, cv::Rect(430, 260, 360, 220), cv::Scalar(255), cv::FILLED);
        cv::circle(machine, {500, 500}, 60, cv::Scalar(255), cv::FILLED);
        cv::circle(machine, {720, 500}, 60, cv::Scalar(255), cv::FILLED);
        paint(frame, machine > 0, {215, 170, 30});
        for (int x = 450; x < 780; x += 40) cv::line(frame, {x, 270}, {x + 20, 470}, cv::Scalar(120, 90, 20, 255), 6);
        cv::Mat ground = cv::Mat::zeros(frame.size(), CV_8U);
        for (const cv::Mat& p : patches) ground |= p;
        cases.push_back({"machine before a lit hillside", frame, machine > 0, ground & (machine == 0)});
    }
    {
        // A kitten sitting on a boardwalk that runs out of the frame's bottom and right edges,
        // before a plain wall: the boards are the ground, however broad.
        cv::Mat frame(800, 1200, CV_8UC4, cv::Scalar(205, 200, 190, 255));
        cv::Mat boards = cv::Mat::zeros(frame.size(), CV_8U), kitten = boards.clone();
        const std::vector<cv::Point> deck = {{520, 520}, {780, 520}, {1200, 700}, {1200, 800}, {1050, 800}};
        cv::fillConvexPoly(boards, deck, cv::Scalar(255));
        cv::Mat grain(frame.size(), CV_8UC4), gaps = cv::Mat::zeros(frame.size(), CV_8U);
        cv::randn(grain, cv::Scalar::all(0), cv::Scalar(4, 4, 4, 0));
        frame += grain;
        paint(frame, boards > 0, {150, 105, 60});
        for (int y = 540; y < 800; y += 45) cv::line(gaps, {0, y}, {1199, y}, cv::Scalar(255), 4);
        paint(frame, (gaps > 0) & (boards > 0), {95, 62, 35});
        cv::ellipse(kitten, cv::Point(640, 470), cv::Size(120, 100), 0, 0, 360, cv::Scalar(255), cv::FILLED);
        cv::circle(kitten, {600, 330}, 70, cv::Scalar(255), cv::FILLED);
        paint(frame, kitten > 0, {70, 70, 75});
        cases.push_back({"kitten on a boardwalk", frame, kitten > 0, boards & (kitten == 0)});
    }
    {
        // A man wading in a shaded river before a sunlit lawn that runs out of the frame's side
        // and draws the eye as much as he does: the lawn is the ground.
        cv::Mat frame(800, 1200, CV_8UC4, cv::Scalar(40, 48, 38, 255));
        cv::Mat grain(frame.size(), CV_8UC4);
        cv::randn(grain, cv::Scalar::all(0), cv::Scalar(5, 5, 5, 0));
        frame += grain;
        cv::Mat lawn = cv::Mat::zeros(frame.size(), CV_8U), man = lawn.clone();
        const std::vector<cv::Point> sunlit = {{0, 640}, {520, 660}, {560, 800}, {0, 800}};
        cv::fillConvexPoly(lawn, sunlit, cv::Scalar(255));
        paint(frame, lawn > 0, {150, 205, 80});
        cv::Mat blades(frame.size(), CV_8UC4);
        cv::randn(blades, cv::Scalar::all(0), cv::Scalar(25, 25, 25, 0));
        cv::Mat bladed = frame + blades;
        bladed.copyTo(frame, lawn);
        cv::circle(man, {660, 290}, 28, cv::Scalar(255), cv::FILLED);
        cv::ellipse(man, cv::Point(660, 390), cv::Size(49, 84), 0, 0, 360, cv::Scalar(255), cv::FILLED);
        cv::rectangle(man, cv::Rect(625, 445, 28, 115), cv::Scalar(255), cv::FILLED);
        cv::rectangle(man, cv::Rect(667, 445, 28, 115), cv::Scalar(255), cv::FILLED);
        paint(frame, man > 0, {225, 225, 220});
        cases.push_back({"man before a sunlit lawn", frame, man > 0, lawn > 0});
    }
    for (const Case& c : cases) {
        const auto mask = engine.segment(viewOf(c.frame));
        ASSERT_TRUE(mask.has_value()) << c.name;
        EXPECT_NE(mask->found, SubjectSegmentationEngine::Found::attention) << c.name;
        EXPECT_GE(meanWhere(*mask, c.frame.size(), c.thing), 0.8) << c.name;
        EXPECT_LE(meanWhere(*mask, c.frame.size(), c.ground), 0.1) << c.name;
    }

    // A slim fireman before the shaded hillside, narrower than the figure drawn below his
    // face: a sunlit patch inside that figure, beside him, teaches the person its colours. It
    // hangs on him only by a sunlit sliver of grass and is the ground.
    const cv::Size size(1200, 800);
    cv::Mat frame(size, CV_8UC4, cv::Scalar(45, 70, 40, 255));
    cv::Mat grain(size, CV_8UC4);
    cv::randn(grain, cv::Scalar::all(0), cv::Scalar(6, 6, 6, 0));
    frame += grain;
    cv::Mat lit = cv::Mat::zeros(size, CV_8U), fireman = lit.clone();
    cv::rectangle(lit, cv::Rect(600, 380, 90, 200), cv::Scalar(255), cv::FILLED);
    cv::rectangle(lit, cv::Rect(540, 470, 70, 20), cv::Scalar(255), cv::FILLED);
    paint(frame, lit > 0, {175, 200, 120});
    cv::randn(grain, cv::Scalar::all(0), cv::Scalar(12, 12, 12, 0));
    cv::Mat textured = frame + grain;
    textured.copyTo(frame, lit);
    const cv::Point face(480, 260);
    cv::ellipse(fireman, face + cv::Point(0, -24), cv::Size(67, 74), 0, 0, 360, cv::Scalar(255), cv::FILLED);
    cv::ellipse(fireman, face + cv::Point(0, 6), cv::Size(60, 77), 0, 0, 360, cv::Scalar(255), cv::FILLED);
    cv::rectangle(fireman, cv::Rect(face.x - 70, face.y + 100, 140, 440), cv::Scalar(255), cv::FILLED);
    frame.setTo(cv::Scalar(215, 170, 30, 255), fireman);
    testing::drawFace(frame, face, 120);
    const auto mask = SubjectSegmentationEngine(PlacedFaces(size, {testing::faceBox(face, 120)})).segment(viewOf(frame));
    ASSERT_TRUE(mask.has_value());
    EXPECT_EQ(mask->found, SubjectSegmentationEngine::Found::person);
    EXPECT_GE(meanWhere(*mask, size, fireman), 0.8);
    EXPECT_LE(meanWhere(*mask, size, lit & (fireman == 0)), 0.1);
}

TEST(SegmentationEngineTest, TheFacesOfAGroupInProfileJoinTheOneSeenFromTheFront) {
    // Two faces turned aside beside one that looks at the camera: all three are the group's.
    const std::vector<cv::Rect> frontal{{400, 200, 60, 60}}, profile{{200, 210, 55, 55}, {600, 190, 58, 58}};
    EXPECT_EQ(CascadeFaceFinder::gathered(frontal, {}, profile).size(), 3u);
    // The sensitive cascade's finds stand in for the frontal ones, profiles beside them too.
    EXPECT_EQ(CascadeFaceFinder::gathered({}, frontal, profile).size(), 3u);
    // A face found both from the front and turned aside is one face.
    EXPECT_EQ(CascadeFaceFinder::gathered(frontal, {}, {{405, 205, 60, 60}}).size(), 1u);
    EXPECT_EQ(CascadeFaceFinder::gathered({}, {}, profile).size(), 2u);
    // Heads bent over (a player over the table) that only the lenient search sees join a group
    // found already, and make none on their own: alone, that search answers to fur and wood.
    const std::vector<cv::Rect> bent{{800, 260, 50, 80}, {205, 215, 52, 52}};
    EXPECT_EQ(CascadeFaceFinder::gathered({}, {}, {profile[1]}, bent).size(), 3u);
    EXPECT_EQ(CascadeFaceFinder::gathered(frontal, {}, {}, bent).size(), 3u);
    EXPECT_TRUE(CascadeFaceFinder::gathered({}, {}, {}, bent).empty());

    // Cut out, the three people are all in the mask.
    const cv::Size size(1500, 1000);
    cv::Mat frame = mottledGround(size, 23, true);
    cv::Mat truth = cv::Mat::zeros(size, CV_8U);
    std::vector<cv::Rect> boxes;
    for (const auto& [x, shirt] : {std::pair{330, cv::Scalar(40, 50, 120, 255)}, std::pair{750, cv::Scalar(150, 40, 40, 255)},
                                   std::pair{1170, cv::Scalar(200, 200, 190, 255)}}) {
        testing::drawPerson(frame, {x, 360}, 150, shirt);
        truth |= testing::figureShape(size, {x, 360}, 150);
        boxes.push_back(testing::faceBox({x, 360}, 150));
    }
    const auto mask = SubjectSegmentationEngine(PlacedFaces(size, boxes)).segment(viewOf(frame));
    ASSERT_TRUE(mask.has_value());
    for (const cv::Rect& b : boxes) {
        cv::Mat face = cv::Mat::zeros(size, CV_8U);
        face(b).setTo(255);
        EXPECT_GE(meanWhere(*mask, size, face & truth), 0.8) << b.x;
    }
}

TEST(SegmentationEngineTest, FindsTheObjectOnAPlainGround) {
    const PlacedFaces none({1200, 800}, {});
    const SubjectSegmentationEngine engine(none);
    // A red mug with its handle, off the middle, on a plain light ground with a little grain.
    cv::Mat ground(800, 1200, CV_8UC4, cv::Scalar(225, 215, 195, 255));
    cv::Mat grain(ground.size(), CV_8UC4);
    cv::randn(grain, cv::Scalar::all(0), cv::Scalar(3, 3, 3, 0));
    ground += grain;
    cv::Mat mug = cv::Mat::zeros(ground.size(), CV_8U);
    cv::rectangle(mug, cv::Rect(480, 300, 260, 320), cv::Scalar(255), cv::FILLED);
    cv::ellipse(mug, cv::Point(760, 450), cv::Size(70, 90), 0, 0, 360, cv::Scalar(255), 28);
    cv::Mat frame = ground.clone();
    paint(frame, mug > 0, {180, 30, 35});
    const auto object = engine.segment(viewOf(frame));
    ASSERT_TRUE(object.has_value());
    EXPECT_EQ(object->found, SubjectSegmentationEngine::Found::object);
    EXPECT_GE(iou(binaryAt(*object, ground.size()), mug > 0), 0.85);
    // The mask's half-way line lies on the mug's left side (x = 480), not a rim outside it.
    const cv::Mat values(object->height, object->width, CV_32F, const_cast<float*>(object->values.data()));
    const double scale = double(ground.cols) / object->width;
    for (int row : {180, 200, 220}) {
        int x = 1;
        while (x < values.cols && values.at<float>(row, x) < 0.5f) ++x;
        const float before = values.at<float>(row, x - 1), after = values.at<float>(row, x);
        const double edge = (x - 0.5 + (0.5 - before) / (after - before)) * scale;
        EXPECT_NEAR(edge, 480.0, 1.5) << row;
    }

    // The plain ground alone has nothing to find.
    EXPECT_FALSE(engine.segment(viewOf(ground)));

    // A game controller of three colours, its lit ball nearly as pale as the ground: one object.
    cv::Mat grip = cv::Mat::zeros(ground.size(), CV_8U), band = grip.clone(), ball = grip.clone();
    cv::rectangle(grip, cv::Rect(560, 380, 90, 300), cv::Scalar(255), cv::FILLED);
    cv::rectangle(band, cv::Rect(560, 330, 90, 50), cv::Scalar(255), cv::FILLED);
    cv::circle(ball, cv::Point(605, 250), 95, cv::Scalar(255), cv::FILLED);
    cv::Mat controller = ground.clone();
    paint(controller, grip > 0, {40, 40, 45});
    paint(controller, band > 0, {30, 90, 200});
    paint(controller, ball > 0, {250, 235, 250});
    const auto whole = engine.segment(viewOf(controller));
    ASSERT_TRUE(whole.has_value());
    EXPECT_GE(iou(binaryAt(*whole, ground.size()), (grip | band | ball) > 0), 0.85);
    EXPECT_GE(meanWhere(*whole, ground.size(), ball > 0), 0.8);

    // A red bus before a stone tower that runs out of the frame's top, under a pale sky: the
    // bus, not the tower.
    cv::Mat street(800, 1200, CV_8UC4, cv::Scalar(200, 215, 235, 255));
    street += grain;
    cv::Mat tower = cv::Mat::zeros(street.size(), CV_8U), bus = tower.clone();
    cv::rectangle(tower, cv::Rect(520, 0, 200, 460), cv::Scalar(255), cv::FILLED);
    cv::rectangle(bus, cv::Rect(380, 400, 460, 220), cv::Scalar(255), cv::FILLED);
    paint(street, tower > 0, {165, 168, 175});
    cv::Mat stones(street.size(), CV_8UC4);
    cv::randn(stones, cv::Scalar::all(0), cv::Scalar(12, 12, 12, 0));
    stones.setTo(cv::Scalar::all(0), tower == 0);
    street += stones;
    paint(street, bus > 0, {200, 30, 30});
    const auto front = engine.segment(viewOf(street));
    ASSERT_TRUE(front.has_value());
    EXPECT_GE(iou(binaryAt(*front, street.size()), bus > 0), 0.8);
    EXPECT_LE(meanWhere(*front, street.size(), tower & (bus == 0)), 0.1);
}

TEST(SegmentationEngineTest, FindsNoSubjectInPlainFrames) {
    cv::Mat flat(800, 1200, CV_8UC4, cv::Scalar(120, 130, 140, 255));
    EXPECT_FALSE(SubjectSegmentationEngine::shared().segment(viewOf(flat)));
    EXPECT_FALSE(SubjectSegmentationEngine::shared().segment(viewOf(mottledGround({1200, 800}, 5))));
    cv::Mat gradient(800, 1200, CV_8UC4);  // a smooth fall of light
    for (int y = 0; y < gradient.rows; ++y)
        for (int x = 0; x < gradient.cols; ++x) {
            const auto v = std::uint8_t(60 + 150 * x / gradient.cols);
            gradient.at<cv::Vec4b>(y, x) = {v, std::uint8_t(v * 9 / 10), std::uint8_t(v * 8 / 10), 255};
        }
    EXPECT_FALSE(SubjectSegmentationEngine::shared().segment(viewOf(gradient)));
    // A sliver of a frame is not analysed at all.
    cv::Mat sliver(4000, 10, CV_8UC4, cv::Scalar(250, 250, 250, 255));
    cv::rectangle(sliver, cv::Rect(0, 1000, 10, 500), cv::Scalar(0, 0, 0, 255), cv::FILLED);
    EXPECT_FALSE(SubjectSegmentationEngine::shared().segment(viewOf(sliver)));
    EXPECT_FALSE(SubjectSegmentationEngine::shared().segment(RgbaView{}));
}

// A landscape without a subject: a sky over a range of sunlit hills whose ridge rolls across
// the whole width, above a darker field; grain over all of it.
cv::Mat hillsUnderASky(cv::Size size) {
    cv::Mat frame(size, CV_8UC4);
    cv::Mat grain(size, CV_32F);
    cv::randn(grain, 0, 4);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x) {
            const double u = double(x) / size.width, v = double(y) / size.height;
            const double ridge = 0.42 + 0.06 * std::sin(6.0 * u + 0.5) + 0.03 * std::sin(17.0 * u), field = 0.68;
            cv::Vec3d c = v < ridge ? cv::Vec3d(120 + 60 * v, 165 + 40 * v, 225) : v < field ? cv::Vec3d(150, 170, 70) * (1.1 - 0.4 * (v - ridge))
                                                                                       : cv::Vec3d(95, 75, 50);
            c += cv::Vec3d::all(grain.at<float>(y, x));
            frame.at<cv::Vec4b>(y, x) = {cv::saturate_cast<std::uint8_t>(c[0]), cv::saturate_cast<std::uint8_t>(c[1]),
                                         cv::saturate_cast<std::uint8_t>(c[2]), 255};
        }
    return frame;
}

TEST(SegmentationEngineTest, ALandscapeWithoutASubjectIsReportedAsTheFallback) {
    const PlacedFaces none({1200, 800}, {});
    const SubjectSegmentationEngine engine(none);
    // The hills differ from the sky and the field, but they are a band of the scene that runs
    // out of the frame on both sides, not a thing in it: no distinct subject, and the mask of
    // what draws the eye covers little of the frame.
    const cv::Mat hills = hillsUnderASky({1200, 800});
    const auto mask = engine.segment(viewOf(hills));
    if (mask) {
        EXPECT_EQ(mask->found, SubjectSegmentationEngine::Found::attention);
        EXPECT_LE(meanWhere(*mask, hills.size(), cv::Mat(hills.size(), CV_8U, cv::Scalar(255))), 0.25);
    }
    // A thing standing on those hills is a subject.
    cv::Mat withHouse = hills.clone();
    cv::Mat house = cv::Mat::zeros(hills.size(), CV_8U);
    cv::rectangle(house, cv::Rect(520, 300, 180, 160), cv::Scalar(255), cv::FILLED);
    paint(withHouse, house > 0, {200, 40, 35});
    const auto found = engine.segment(viewOf(withHouse));
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->found, SubjectSegmentationEngine::Found::object);
    EXPECT_GE(iou(binaryAt(*found, hills.size()), house > 0), 0.8);
}

// A sky over a dark field, with a bank of haze or a glow lying across the middle of the
// frame: brighter than both, and fading into them all round.
cv::Mat hazeOverAField(cv::Size size) {
    cv::Mat frame(size, CV_8UC4), haze = cv::Mat::zeros(size, CV_32F), grain(size, CV_32F);
    cv::randn(grain, 0, 3);
    cv::ellipse(haze, cv::Point(size.width * 11 / 20, size.height / 2), cv::Size(size.width * 7 / 20, size.height / 7), -8, 0, 360,
                cv::Scalar(1), cv::FILLED);
    cv::GaussianBlur(haze, haze, cv::Size(0, 0), size.height / 14.0);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x) {
            const double v = double(y) / size.height, h = haze.at<float>(y, x);
            const cv::Vec3d ground = v < 0.55 ? cv::Vec3d(110 + 60 * v, 140 + 50 * v, 190) : cv::Vec3d(90, 80, 55);
            cv::Vec3d c = ground * (1 - h) + cv::Vec3d(235, 230, 215) * h + cv::Vec3d::all(grain.at<float>(y, x));
            frame.at<cv::Vec4b>(y, x) = {cv::saturate_cast<std::uint8_t>(c[0]), cv::saturate_cast<std::uint8_t>(c[1]),
                                         cv::saturate_cast<std::uint8_t>(c[2]), 255};
        }
    return frame;
}

TEST(SegmentationEngineTest, HazeFadingIntoTheSceneIsNoSubject) {
    const PlacedFaces none({1200, 800}, {});
    const SubjectSegmentationEngine engine(none);
    // The haze differs from the frame's border and draws the eye, but no outline sets it apart
    // from the sky and the field: the fallback, its mask over a small share of the frame.
    const cv::Mat haze = hazeOverAField({1200, 800});
    const auto mask = engine.segment(viewOf(haze));
    ASSERT_TRUE(mask.has_value());
    EXPECT_EQ(mask->found, SubjectSegmentationEngine::Found::attention);
    EXPECT_LE(meanWhere(*mask, haze.size(), cv::Mat(haze.size(), CV_8U, cv::Scalar(255))), 0.25);
}

Image imageOf(const cv::Mat& rgba) {
    SourcePixels p = SourcePixels::allocate(rgba.cols, rgba.rows, 4, SampleType::uint8);
    for (int y = 0; y < rgba.rows; ++y) std::memcpy(p.mutableRow(y), rgba.ptr(y), std::size_t(rgba.cols) * 4);
    return Image::fromPixels(std::move(p));
}

// The red channel of an image's working values over `rect`, top row first.
cv::Mat maskValues(const Image& mask, const Rect& rect) {
    const auto buffer = Context().renderFloat(mask, rect);
    EXPECT_TRUE(buffer.has_value());
    if (!buffer) return {};
    cv::Mat values(int(rect.height), int(rect.width), CV_32F);
    for (int r = 0; r < values.rows; ++r)
        for (int x = 0; x < values.cols; ++x) values.at<float>(r, x) = buffer->view().rowFromTop(r)[4 * x];
    return values;
}

TEST(SegmentationEngineTest, MaskImageHasTheFramesExtentWhereverItStands) {
    const cv::Size size(900, 600);
    cv::Mat pixels = mottledGround(size, 4);
    // Off-centre and low, so a flipped or mirrored mask would miss it.
    const cv::Mat shape = discShape(size, {620, 400}, 120);
    paint(pixels, shape, {240, 230, 90});
    const Image frame = imageOf(pixels).translated(40, -25);

    const auto mask = SubjectSegmentationEngine::shared().generateMask(frame).get();
    ASSERT_TRUE(mask.has_value());
    EXPECT_EQ(mask->extent(), frame.extent());
    EXPECT_GE(iou(maskValues(*mask, frame.extent()) >= 0.5f, shape), 0.8);

    // Frames too thin to analyse, and frames with nothing to render, give nothing.
    cv::Mat thin(4000, 10, CV_8UC4, cv::Scalar(250, 250, 250, 255));
    cv::rectangle(thin, cv::Rect(0, 1000, 10, 500), cv::Scalar(0, 0, 0, 255), cv::FILLED);
    EXPECT_FALSE(SubjectSegmentationEngine::shared().generateMask(imageOf(thin)).get());
    EXPECT_FALSE(SubjectSegmentationEngine::shared().generateMask(Image()).get());
    EXPECT_FALSE(SubjectSegmentationEngine::shared().generateMask(Image::constant({1, 1, 1, 1})).get());

    // Frames are analysed at their own size up to 2048 pixels and a little past it.
    EXPECT_EQ(SubjectSegmentationEngine::workingSize(2050, 1000), cv::Size(2050, 1000));
    EXPECT_EQ(SubjectSegmentationEngine::workingSize(4096, 2000), cv::Size(2048, 1000));
}

TEST(SegmentationEngineTest, FitMaskStretchesEachAxisOntoTheTarget) {
    // 4 x 2 mask, white only in its top-left pixel.
    PixelBuffer buffer(Rect{0, 0, 4, 2});
    buffer.at(0, 1)[0] = buffer.at(0, 1)[1] = buffer.at(0, 1)[2] = 1.0f;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) buffer.at(x, y)[3] = 1.0f;
    const Rect target{100, -50, 400, 100};
    const Image fitted = SubjectSegmentationEngine::fitMask(Image::fromBuffer(std::move(buffer)), target);
    EXPECT_EQ(fitted.extent(), target);
    const cv::Mat values = maskValues(fitted, target);
    ASSERT_FALSE(values.empty());
    EXPECT_NEAR(values.at<float>(5, 5), 1.0f, 1e-4);    // top-left stays white, edge not faded
    EXPECT_NEAR(values.at<float>(95, 5), 0.0f, 1e-4);   // bottom-left
    EXPECT_NEAR(values.at<float>(5, 395), 0.0f, 1e-4);  // top-right
    EXPECT_TRUE(SubjectSegmentationEngine::fitMask(Image(), target).isEmpty());
}

TEST(SegmentationEngineTest, ProxyAndFullImageGiveTheSameMaskEveryTime) {
    const cv::Size full(6000, 4000);
    cv::Mat pixels = mottledGround(full, 3);
    paint(pixels, discShape(full, {2600, 2100}, 900), cv::Vec3b(230, 200, 60));
    cv::Mat proxyPixels;
    cv::resize(pixels, proxyPixels, cv::Size(2560, 1707), 0, 0, cv::INTER_AREA);
    const Image frame = imageOf(pixels), proxy = imageOf(proxyPixels);
    pixels.release();

    const auto& engine = SubjectSegmentationEngine::shared();
    auto fullMask = engine.generateMask(frame);
    auto proxyMask = engine.generateMask(proxy);
    auto again = engine.generateMask(proxy);
    const auto a = proxyMask.get(), b = fullMask.get(), c = again.get();
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(b->extent(), frame.extent());
    // Compared on a common 640-pixel grid.
    const auto common = [](const Image& m) {
        const double s = 640.0 / double(m.extent().width);
        return m.transformed(AffineTransform::scale(s, s));
    };
    const Rect grid = common(*a).extent().intersected(common(*b).extent());
    const cv::Mat ma = maskValues(common(*a), grid), mb = maskValues(common(*b), grid);
    EXPECT_GE(iou(ma >= 0.5f, mb >= 0.5f), 0.95);
    // The same frame twice: the same mask, to the bit.
    const cv::Mat mc = maskValues(common(*c), grid);
    EXPECT_EQ(cv::countNonZero(ma != mc), 0);
}

TEST(SegmentationEngineTest, FaceCascadesFindADrawnFaceAndGiveNoneWhenMissingOrDamaged) {
    const CascadeFaceFinder& cascades = CascadeFaceFinder::shared();
    if (cascades.folder().empty()) GTEST_SKIP() << "the opencv-data cascades are not installed";
    // Through the path the editor takes: the image's mask, analysed at the working size.
    const cv::Size size(3000, 2000);
    cv::Mat pixels = mottledGround(size, 8, true);
    testing::drawPerson(pixels, {1500, 700}, 420, {230, 230, 225, 255});
    const auto mask = SubjectSegmentationEngine::shared().generateMask(imageOf(pixels)).get();
    ASSERT_TRUE(mask.has_value());
    const cv::Mat values = maskValues(*mask, mask->extent());
    EXPECT_GE(iou(values >= 0.5f, testing::figureShape(size, {1500, 700}, 420)), 0.85);

    cv::Mat rgb;
    cv::cvtColor(pixels, rgb, cv::COLOR_RGBA2RGB);
    cv::resize(rgb, rgb, SubjectSegmentationEngine::workingSize(size.width, size.height), 0, 0, cv::INTER_AREA);
    EXPECT_EQ(cascades.find(rgb).size(), 1u);
    // No folder with the cascades, or a damaged one: no faces, no failure.
    const std::filesystem::path damaged = std::filesystem::temp_directory_path() / "vantrel-damaged-cascades";
    std::filesystem::create_directories(damaged / "haarcascades");
    std::ofstream(damaged / "haarcascades/haarcascade_frontalface_alt2.xml") << "<opencv_storage><cascade>";
    EXPECT_TRUE(CascadeFaceFinder({damaged.string()}).find(rgb).empty());
    EXPECT_TRUE(CascadeFaceFinder({(damaged / "nothing").string()}).find(rgb).empty());
    std::filesystem::remove_all(damaged);
}

}  // namespace
}  // namespace vantrel


namespace vantrel {
namespace {

TEST(SegmentationEngineTest, WithTheDetectorModelsOrWithoutThem) {
    const cv::Size size(1500, 1000);
    cv::Mat frame = testing::mottledGround(size, 21, true);
    testing::drawPerson(frame, {760, 330}, 220, {235, 235, 230, 255});
    const PlacedFaces face(size, {testing::faceBox({760, 330}, 220)});
    const auto today = SubjectSegmentationEngine(face).segment(viewOf(frame));
    ASSERT_TRUE(today.has_value());
    ASSERT_EQ(today->found, SubjectSegmentationEngine::Found::person);

    // Missing or damaged model files: today's method alone, the same mask, no crash.
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("vantrel-engine-models-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const subject::SubjectModels missing(dir);
    const auto withoutModels = SubjectSegmentationEngine(face, &missing).segment(viewOf(frame));
    ASSERT_TRUE(withoutModels.has_value());
    EXPECT_EQ(withoutModels->found, today->found);
    EXPECT_EQ(withoutModels->values, today->values);
    std::ofstream(dir / "nanodet.pb", std::ios::binary) << std::string(4096, '\x01');
    std::ofstream(dir / "selfie.pb", std::ios::binary) << std::string(4096, '\x02');
    const subject::SubjectModels damaged(dir);
    const auto withDamaged = SubjectSegmentationEngine(face, &damaged).segment(viewOf(frame));
    ASSERT_TRUE(withDamaged.has_value());
    EXPECT_EQ(withDamaged->values, today->values);
    std::filesystem::remove_all(dir);

    // With the models: the detector does not take the drawing for a person, so the face the
    // finder reports there does not by itself make the frame a portrait.
    const subject::SubjectModels& models = subject::SubjectModels::shared();
    ASSERT_TRUE(models.available());
    const auto withModels = SubjectSegmentationEngine(face, &models).segment(viewOf(frame));
    if (withModels) {
        EXPECT_NE(withModels->found, SubjectSegmentationEngine::Found::person);
    }
}

TEST(SegmentationEngineTest, WhereTheDetectorFindsNothingAPatchOfGrassIsNoSubject) {
    // Blades of grass with a sunlit patch: the method without the detector takes the patch for
    // an object; where the detector looked and saw nothing it knows, its fading outline makes
    // it no subject, with the same mask.
    const cv::Size size(1200, 800);
    cv::Mat frame(size, CV_8UC4, cv::Scalar(60, 120, 40, 255));
    cv::RNG rng(7);
    for (int k = 0; k < 6000; ++k) {
        const cv::Point a(rng.uniform(0, size.width), rng.uniform(0, size.height));
        const int g = rng.uniform(80, 200);
        cv::line(frame, a, a + cv::Point(rng.uniform(-8, 8), -rng.uniform(15, 45)), cv::Scalar(g / 3, g, g / 4, 255), 2, cv::LINE_AA);
    }
    cv::Mat light(size, CV_8UC4, cv::Scalar::all(0));
    cv::ellipse(light, {700, 350}, {260, 160}, 10, 0, 360, cv::Scalar(40, 45, 20, 0), cv::FILLED);
    cv::GaussianBlur(light, light, {0, 0}, 60);
    frame += light;
    const PlacedFaces none(size, {});
    const auto without = SubjectSegmentationEngine(none).segment(viewOf(frame));
    const auto with = SubjectSegmentationEngine(none, &subject::SubjectModels::shared()).segment(viewOf(frame));
    ASSERT_TRUE(without && with);
    EXPECT_EQ(with->found, SubjectSegmentationEngine::Found::attention);
    if (without->found == SubjectSegmentationEngine::Found::object) {
        EXPECT_EQ(with->values, without->values);
    }
}

}  // namespace
}  // namespace vantrel
