// The retargeter on the two test hands: what it reads from the URDF and the configuration,
// what it makes of the wearer's pinch, open hand and fist, the limits and steps it keeps to,
// and what it says about bad input.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include <TSCore/Retarget/Retargeter.h>

#include "HumanHand.h"

namespace
{
    using TSCore::Finger;
    using TSCore::HandPose;
    using TSCore::Kinematics::Vect3D;
    using TSCore::Retarget::Retargeter;
    using TSCore::Retarget::RobotJoints;
    using namespace RetargetTest;

    const std::string data = TSCORE_RETARGET_DATA;

    std::string ReadText(const std::string& path)
    {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    /// A test hand's configuration, with a line replaced (the line starting with the key of
    /// change) or added.
    std::unique_ptr<Retargeter> LoadHand(const std::string& config, const std::string& change = "")
    {
        std::string text = ReadText(data + "/" + config);
        const std::string key = change.substr(0, change.find(':') + 1);
        const std::size_t at = key.empty() ? std::string::npos : text.find("\n" + key);
        if (at != std::string::npos)
            text.replace(at + 1, text.find('\n', at + 1) - at, change);
        else
            text += change;
        std::string error;
        auto r = Retargeter::FromText(text, data, error);
        EXPECT_TRUE(r) << error;
        return r;
    }

    /// Holds the pose for a quarter of a second at 1 kHz: the filter and warm starts settle.
    RobotJoints Settle(Retargeter& r, const HandPose& pose, double& t)
    {
        RobotJoints out;
        for (int i = 0; i < 250; ++i)
            EXPECT_TRUE(r.Solve(pose, t += 0.001, out));
        return out;
    }

    Vect3D RobotTip(const Retargeter& r, Finger digit)
    {
        std::vector<Vect3D> robot, target;
        r.MatchedPositions(robot, target);
        for (std::size_t i = 0; i < r.Mapping().size(); ++i)
            if (r.Mapping()[i].digit == digit && r.Mapping()[i].point == 3)
                return robot[i];
        ADD_FAILURE() << "no tip for digit " << static_cast<int>(digit);
        return Vect3D();
    }

    /// URDFs for the error messages: the five-digit hand as it is, and broken ones.
    template <typename Write>
    void WriteBadUrdfs(const Write& write)
    {
        const std::string hand = ReadText(data + "/five_digit_hand.urdf");
        write("hand.urdf", hand);
        const std::string chain = "<robot name='r'><link name='a'/><link name='b'/><link name='c'/>"
                                  "<joint name='ab' type='revolute'><parent link='a'/><child link='b'/>"
                                  "<axis xyz='0 1 0'/><limit lower='0' upper='1' effort='1' velocity='1'/></joint>";
        const std::string tail = "<joint name='bc' type='fixed'><parent link='b'/><child link='c'/></joint></robot>";
        write("broken.urdf", "<robot name='r'><link name='a'></robot>");
        write("twoparents.urdf",
              chain + "<joint name='ac' type='fixed'><parent link='a'/><child link='c'/></joint>" + tail);
        write("cycle.urdf", chain +
                                "<link name='d'/><link name='e'/>"
                                "<joint name='de' type='fixed'><parent link='d'/><child link='e'/></joint>"
                                "<joint name='ed' type='fixed'><parent link='e'/><child link='d'/></joint>" +
                                tail);
        write("nan.urdf", "<robot name='r'><link name='a'/><link name='b'/><joint name='ab' type='fixed'>"
                          "<origin xyz='0 nan 0'/><parent link='a'/><child link='b'/></joint></robot>");
        write("mimic.urdf", chain.substr(0, chain.size() - 8) + "<mimic joint='nope'/></joint>" + tail);
        std::string narrow = hand;
        narrow.replace(narrow.find("multiplier=\"0.8\" offset=\"0\""), 27, "multiplier=\"0.8\" offset=\"2\"");
        write("narrow.urdf", narrow);
    }

    bool IsFlexion(const std::string& joint)
    {
        for (const char* end : {"_mcp", "_pip", "_dip", "_ip", "_flex"})
        {
            const std::string e(end);
            if (joint.size() > e.size() && joint.compare(joint.size() - e.size(), e.size(), e) == 0)
                return true;
        }
        return false;
    }

    void ExpectWithinLimits(const Retargeter& r, const RobotJoints& out, const std::string& when)
    {
        ASSERT_EQ(out.positions.size(), r.Joints().size());
        for (std::size_t i = 0; i < out.positions.size(); ++i)
        {
            const Retargeter::JointInfo& j = r.Joints()[i];
            EXPECT_EQ(out.names[i], j.name);
            EXPECT_TRUE(out.positions[i] >= j.solveLower && out.positions[i] <= j.solveUpper &&
                        j.solveLower >= j.lower && j.solveUpper <= j.upper)
                << when << ": " << j.name << " = " << out.positions[i] << " outside [" << j.solveLower << ", "
                << j.solveUpper << "]";
        }
    }
}

TEST(RetargeterLoad, TheReadmeDocumentsTheFiveDigitConfiguration)
{
    const std::string readme = ReadText(TSCORE_README);
    const std::size_t section = readme.find("### The configuration file");
    const std::size_t start = readme.find("```yaml\n", section);
    ASSERT_NE(start, std::string::npos);
    const std::size_t end = readme.find("```", start + 8);
    EXPECT_EQ(readme.substr(start + 8, end - start - 8), ReadText(data + "/five_digit_hand.yaml"));
}

TEST(RetargeterLoad, ReadsJointsMimicsScalesAndFramesOfTheTestHands)
{

    auto five = LoadHand("five_digit_hand.yaml");
    ASSERT_TRUE(five);
    const auto& joints = five->Joints();
    ASSERT_EQ(joints.size(), 20u);
    EXPECT_EQ(five->RobotName(), "five_digit_hand");
    // Digits thumb first, each from the palm outwards.
    EXPECT_EQ(joints.front().name, "thumb_spread");
    EXPECT_EQ(joints[4].name, "index_spread");
    EXPECT_EQ(joints.back().name, "pinky_dip");
    const Retargeter::JointInfo& dip = joints[7];
    const Retargeter::JointInfo& pip = joints[6];
    EXPECT_EQ(dip.name, "index_dip");
    EXPECT_EQ(dip.mimics, "index_pip");
    EXPECT_DOUBLE_EQ(dip.multiplier, 0.8);
    // The leader's range shrinks so that the follower keeps its own, margins included.
    EXPECT_DOUBLE_EQ(pip.solveUpper, (1.4 - 0.01) / 0.8);
    EXPECT_DOUBLE_EQ(pip.solveLower, 0.01 / 0.8);
    EXPECT_DOUBLE_EQ(joints[5].solveLower, -0.2 + 0.01);
    EXPECT_EQ(pip.digit, 1);
    EXPECT_DOUBLE_EQ(pip.velocity, 10.0);

    // Effort feedback: named joints, or by default every joint that moves the digit's links.
    const Retargeter::EffortFeedback& effort = five->Effort();
    EXPECT_EQ(effort.topic, "/robot/joint_states");
    ASSERT_EQ(effort.digits.size(), 2u);
    EXPECT_EQ(effort.digits[0].digit, Finger::Thumb);
    EXPECT_EQ(effort.digits[0].joints,
              (std::vector<std::string>{"thumb_spread", "thumb_cmc", "thumb_mcp", "thumb_ip"}));
    EXPECT_EQ(effort.digits[1].joints, (std::vector<std::string>{"index_mcp", "index_pip"}));
    EXPECT_DOUBLE_EQ(effort.digits[1].minEffort, 0.02);
    EXPECT_DOUBLE_EQ(effort.digits[1].maxEffort, 0.3);

    ASSERT_EQ(five->Mapping().size(), 10u);
    for (const Retargeter::LinkMatch& m : five->Mapping())
    {
        EXPECT_TRUE(m.scaleDerived);
        EXPECT_NEAR(m.scale, 1.1, 0.01) << m.link;
    }
    // At rest every joint is at 0, or as near as the margins let it be: the index tip lies 1.1
    // times the default finger's length out from its base, in the glove's frame and millimetres.
    RobotJoints rest;
    five->Solution(rest);
    for (std::size_t i = 0; i < rest.positions.size(); ++i)
        EXPECT_EQ(rest.positions[i], std::clamp(0.0, joints[i].solveLower, joints[i].solveUpper)) << rest.names[i];
    const Vect3D indexTip = RobotTip(*five, Finger::Index);
    EXPECT_NEAR(indexTip.x, (59.4 + 75.0) * 1.1, 0.1);
    EXPECT_NEAR(indexTip.y, 33.1 * 1.1, 0.1);
    EXPECT_NEAR(indexTip.z, -18.0 * 1.1, 1.0);
    std::vector<Vect3D> links;
    five->LinkPositions(links);
    ASSERT_EQ(links.size(), five->Links().size());
    EXPECT_EQ(five->Links().front().name, "palm");
    for (std::size_t i = 1; i < links.size(); ++i)
        EXPECT_LT(five->Links()[i].parent, static_cast<int>(i)) << "a parent comes before its children";

    // The three-finger hand's base frame is turned from the glove's; the links still come out
    // in the glove's frame.
    auto three = LoadHand("three_finger_hand.yaml");
    ASSERT_TRUE(three);
    EXPECT_EQ(three->Joints().size(), 9u);
    EXPECT_EQ(three->Mapping().size(), 3u);
    EXPECT_NEAR(three->Mapping()[1].scale, 1.25, 0.01);
    const Vect3D tip = RobotTip(*three, Finger::Index);
    EXPECT_NEAR(tip.x, (59.4 + 75.0) * 1.25, 0.1);
    EXPECT_NEAR(tip.y, 33.1 * 1.25, 0.1);
    EXPECT_NEAR(tip.z, -18.0 * 1.25, 1.0);
}

TEST(RetargeterSolve, MovesPrismaticAndContinuousJointsAndSkipsFixedOnes)
{
    // A slide along x, then an arm turning without limits about z: the arm points where the open
    // index finger's tip is, 14 degrees toward the thumb, and the slide stays at its limit.
    const std::string dir = testing::TempDir() + "retarget_slider";
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/slider.urdf")
        << "<robot name='slider'><link name='base'/><link name='carriage'/><link name='arm'/><link name='tip'/>"
           "<joint name='slide' type='prismatic'><parent link='base'/><child link='carriage'/><axis xyz='1 0 0'/>"
           "<limit lower='0' upper='0.05' effort='1' velocity='1'/></joint>"
           "<joint name='turn' type='continuous'><parent link='carriage'/><child link='arm'/><axis xyz='0 0 "
           "1'/></joint>"
           "<joint name='end' type='fixed'><origin xyz='0.05 0 0'/><parent link='arm'/><child link='tip'/></joint>"
           "</robot>";
    std::string error;
    auto r = Retargeter::FromText(
        "urdf: slider.urdf\nbase_link: base\ndigits:\n  index: {tip: tip}\nlimits: {joints: {slide: 0}}\n", dir, error);
    ASSERT_TRUE(r) << error;
    ASSERT_EQ(r->Joints().size(), 2u);
    EXPECT_EQ(r->Joints()[0].type, Retargeter::JointType::Prismatic);
    EXPECT_DOUBLE_EQ(r->Joints()[0].solveUpper, 0.05) << "its own margin, 0";
    EXPECT_EQ(r->Joints()[1].type, Retargeter::JointType::Continuous);
    EXPECT_TRUE(std::isinf(r->Joints()[1].upper) && std::isinf(r->Joints()[1].solveLower));
    double t = 0.0;
    const RobotJoints out = Settle(*r, Pose(Open()), t);
    EXPECT_NEAR(out.positions[0], 0.0, 1e-3);
    EXPECT_NEAR(out.positions[1], std::atan2(33.1, 134.4), 0.01);
}

TEST(RetargeterSolve, PinchStaysAPinchAndOpenAndFistReachTheLimits)
{
    for (const char* config : {"five_digit_hand.yaml", "three_finger_hand.yaml"})
    {
        SCOPED_TRACE(config);
        auto r = LoadHand(config);
        ASSERT_TRUE(r);
        double t = 0.0;
        for (const bool right : {true, false})
        {
            const HandPose pinch = Pose(Pinch(), right);
            ASSERT_LT(pinch.jointPositions[0][3].DistTo(pinch.jointPositions[1][3]), 1.0f);
            ExpectWithinLimits(*r, Settle(*r, pinch, t), "pinch");
            // A left glove drives the right robot hand as its mirror image.
            EXPECT_LT(RobotTip(*r, Finger::Thumb).DistTo(RobotTip(*r, Finger::Index)), 10.0f)
                << (right ? "right" : "left") << " pinch";
        }
        const RobotJoints open = Settle(*r, Pose(Open()), t);
        ExpectWithinLimits(*r, open, "open");
        EXPECT_GT(RobotTip(*r, Finger::Thumb).DistTo(RobotTip(*r, Finger::Index)), 60.0f);
        const RobotJoints fist = Settle(*r, Pose(Fist()), t);
        ExpectWithinLimits(*r, fist, "fist");
        for (std::size_t i = 0; i < r->Joints().size(); ++i)
        {
            const Retargeter::JointInfo& j = r->Joints()[i];
            if (!IsFlexion(j.name))
                continue;
            const double range = j.upper - j.lower;
            EXPECT_LT(open.positions[i], std::max(j.lower, 0.0) + 0.15 * range) << j.name << " open";
            EXPECT_GT(fist.positions[i], j.upper - 0.3 * range) << j.name << " fist";
        }
    }
}

TEST(RetargeterSolve, KeepsLimitsAndVelocitiesWhateverThePose)
{
    // Poses no hand makes (hyperextended, bent double, spread wide) among real ones, for both
    // solvers: no solution leaves the limits, no step exceeds velocity limit x time step.
    Angles wild{};
    for (std::size_t d = 0; d < 5; ++d)
        wild[d] = {Vect3D(40, -60, 50), Vect3D(0, 200, -40), Vect3D(-30, 150, 0)};
    for (const char* solver : {"dls", "slsqp"})
    {
        SCOPED_TRACE(solver);
        auto r = LoadHand("five_digit_hand.yaml", std::string("solver: ") + solver + "\n");
        ASSERT_TRUE(r);
        EXPECT_EQ(r->SolverInUse() == Retargeter::Solver::Slsqp, std::string(solver) == "slsqp");
        RobotJoints out;
        RobotJoints previous;
        const Angles sequence[] = {Open(), wild, Fist(), Pinch(), wild, Open()};
        double t = 0.0;
        for (const Angles& a : sequence)
            for (int i = 0; i < 40; ++i)
            {
                ASSERT_TRUE(r->Solve(Pose(a), t += 0.001, out));
                ExpectWithinLimits(*r, out, "wild sequence");
                for (std::size_t k = 0; k < out.positions.size() && !previous.positions.empty(); ++k)
                    EXPECT_LE(std::fabs(out.positions[k] - previous.positions[k]), 10.0 * 0.001 + 1e-12)
                        << out.names[k] << " at " << t;
                previous = out;
            }
    }
}

TEST(RetargeterSolve, FollowsSmoothMotionSmoothly)
{
    // Fingers closing into a fist and opening again over two seconds at 1 kHz. Every joint's
    // step changes little from one solve to the next (its speed is continuous: nothing jumps),
    // and every flexion joint moves about as the wearer's do. A spread joint may move faster as
    // its finger curls under the knuckle (the wearer's rolled finger and the robot's straight
    // one disagree sideways), and a distal joint as it takes up what the others leave, but
    // never past its velocity limit.
    auto r = LoadHand("five_digit_hand.yaml");
    ASSERT_TRUE(r);
    Angles fingersClosed = Fist();
    fingersClosed[0] = Open()[0];
    RobotJoints out;
    std::vector<double> previous;
    std::vector<double> previousStep;
    double worstFlexion = 0.0;
    double worstChange = 0.0;
    for (int k = 0; k <= 2000; ++k)
    {
        const float s = 0.5f - 0.5f * std::cos(3.14159265f * static_cast<float>(k) / 1000.0f);
        ASSERT_TRUE(r->Solve(Pose(Blend(Open(), fingersClosed, s)), k * 0.001, out));
        for (std::size_t i = 0; i < out.positions.size() && !previous.empty(); ++i)
        {
            const double step = out.positions[i] - previous[i];
            EXPECT_LE(std::fabs(step), 10.0 * 0.001 + 1e-12) << out.names[i] << " at " << k;
            if (IsFlexion(out.names[i]))
            {
                worstFlexion = std::max(worstFlexion, std::fabs(step));
                if (!previousStep.empty())
                    worstChange = std::max(worstChange, std::fabs(step - previousStep[i]));
            }
            previousStep.resize(out.positions.size());
            previousStep[i] = step;
        }
        previous = out.positions;
    }
    const double humanStep = 100.0 * 3.14159265 / 180.0 * 3.14159265 / 2.0 / 1000.0; // the PIP's
    EXPECT_GT(worstFlexion, 0.5 * humanStep);
    EXPECT_LT(worstFlexion, 3.0 * humanStep);
    EXPECT_LT(worstChange, 0.001);
}

TEST(RetargeterSolve, RefusesPosesItCannotUseAndKeepsItsSolution)
{
    auto r = LoadHand("five_digit_hand.yaml");
    ASSERT_TRUE(r);
    RobotJoints out;
    double t = 0.0;
    Settle(*r, Pose(Pinch()), t);
    const RobotJoints before = Settle(*r, Pose(Pinch()), t);
    out = before;

    HandPose nan = Pose(Open());
    nan.jointPositions[2][3].y = std::numeric_limits<float>::quiet_NaN();
    HandPose infinite = Pose(Open());
    infinite.jointPositions[0][1].x = std::numeric_limits<float>::infinity();
    HandPose short_ = Pose(Open());
    short_.jointPositions.resize(3);
    HandPose noTip = Pose(Open());
    noTip.jointPositions[4].resize(3);
    HandPose empty;
    for (const HandPose* bad : {&nan, &infinite, &short_, &noTip, &empty})
        EXPECT_FALSE(r->Solve(*bad, t += 0.001, out));
    EXPECT_FALSE(r->Solve(Pose(Open()), std::numeric_limits<double>::quiet_NaN(), out));
    EXPECT_EQ(out.positions, before.positions);
    RobotJoints kept;
    r->Solution(kept);
    EXPECT_EQ(kept.positions, before.positions);

    // A robot with three fingers does without the wearer's other two, but a reading with a
    // position that is not finite is broken, whichever digit it is in.
    auto three = LoadHand("three_finger_hand.yaml");
    ASSERT_TRUE(three);
    EXPECT_TRUE(three->Solve(noTip, 0.0, out));
    EXPECT_EQ(out.names.size(), 9u);
    HandPose nanPinky = Pose(Open());
    nanPinky.jointPositions[4][2].z = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(three->Solve(nanPinky, 0.001, out));

    r->Reset();
    r->Solution(kept);
    for (std::size_t i = 0; i < kept.positions.size(); ++i)
        EXPECT_LE(std::fabs(kept.positions[i]), 0.0125) << "back at rest: " << kept.names[i];
    std::vector<Vect3D> robot, target;
    r->MatchedPositions(robot, target);
    EXPECT_EQ(robot.size(), 10u);
    EXPECT_TRUE(target.empty()) << "no target before the first solve";
}

TEST(RetargeterLoad, NamesTheFileAndTheElementOfEveryProblem)
{
    const std::string dir = testing::TempDir() + "retarget_errors";
    std::filesystem::create_directories(dir);
    const auto write = [&dir](const std::string& name, const std::string& text)
    {
        std::ofstream(dir + "/" + name) << text;
        return dir + "/" + name;
    };
    WriteBadUrdfs(write);

    const std::string base = "urdf: hand.urdf\nbase_link: palm\n";
    const std::string digits = "digits:\n  index: {tip: index_tip}\n";
    const struct
    {
        std::string yaml;
        std::string message;
    } cases[] = {
        {"urdf: hand.urdf\nbase_link: [palm\n", "bad.yaml:3: end of sequence flow not found"},
        {base + "digts:\n  index: {tip: index_tip}\n", "bad.yaml:3: digts: unknown field (known: urdf, base_link"},
        {base + digits + "solver: dls\nsolver: dls\n", "bad.yaml:6: solver: given twice"},
        {base, "bad.yaml:1: digits: missing"},
        {base + "digits:\n  index: {tip: index_tipp}\n",
         "bad.yaml:4: digits.index.tip: no link 'index_tipp' in " + dir + "/hand.urdf"},
        {base + "digits:\n  index: {tip: index_tip, scale: -1}\n",
         "bad.yaml:4: digits.index.scale: must be greater than 0, not -1"},
        {base + "digits:\n  thumb: {tip: thumb_tip, weight: .nan}\n",
         "bad.yaml:4: digits.thumb.weight: must be finite, not .nan"},
        {base + "digits:\n  index:\n    tip: index_tip\n    links: [{link: index_middle, at: IP}]\n",
         "bad.yaml:6: digits.index.links[0].at: must be one of MCP, PIP, DIP"},
        {base + digits + "limits: {joints: {index_dop: 0.1}}\n",
         "bad.yaml:5: limits.joints.index_dop: no movable joint 'index_dop' in " + dir + "/hand.urdf"},
        {base + digits + "pinch: {start: 0.01, full: 0.02}\n", "bad.yaml:5: pinch: start must be greater than full"},
        {base + digits + "effort_feedback: {topic: /robot, digits: {index: {max: 1, joints: [index_dop]}}}\n",
         "bad.yaml:5: effort_feedback.digits.index.joints[0]: no movable joint 'index_dop' in " + dir + "/hand.urdf"},
        {base + digits + "effort_feedback: {topic: /robot, digits: {index: {min: 2, max: 1}}}\n",
         "bad.yaml:5: effort_feedback.digits.index: min must be less than max"},
        {base + digits + "effort_feedback: {topic: /robot, digits: {ring: {max: 1}}}\n",
         "bad.yaml:5: effort_feedback.digits.ring: no joint of " + dir + "/hand.urdf moves this digit's links"},
        {base + digits + "iterations: 2.5\n", "bad.yaml:5: iterations: must be a whole number"},
        {"urdf: hand.urdf\nbase_link: wrist\n" + digits, "bad.yaml:2: base_link: no link 'wrist' in"},
        {"urdf: hand.urdf\nbase_link: index_middle\ndigits:\n  thumb: {tip: thumb_tip}\n",
         "bad.yaml:4: digits.thumb.tip: link 'thumb_tip' is not below the base link 'index_middle'"},
        {"urdf: missing.urdf\nbase_link: palm\n" + digits, "bad.yaml:1: urdf: cannot read '" + dir + "/missing.urdf'"},
        {"urdf: broken.urdf\nbase_link: a\ndigits:\n  index: {tip: b}\n", "broken.urdf:1: Error reading end tag."},
        {"urdf: twoparents.urdf\nbase_link: a\ndigits:\n  index: {tip: c}\n",
         "twoparents.urdf: kinematic loop: link 'c' is the child of joints"},
        {"urdf: cycle.urdf\nbase_link: a\ndigits:\n  index: {tip: c}\n",
         "cycle.urdf: kinematic loop: link 'd' is not connected to the root link 'a'"},
        {"urdf: nan.urdf\nbase_link: a\ndigits:\n  index: {tip: b}\n",
         "nan.urdf: Unable to parse component [nan] to a double"},
        {"urdf: mimic.urdf\nbase_link: a\ndigits:\n  index: {tip: c}\n",
         "mimic.urdf: joint 'ab' mimics 'nope', which is not a movable joint"},
        {"urdf: narrow.urdf\nbase_link: palm\n" + digits,
         "narrow.urdf: joint 'index_dip' mimics 'index_pip': no position of 'index_pip' keeps both within"},
    };
    for (const auto& c : cases)
    {
        std::string error = "stale";
        EXPECT_FALSE(Retargeter::Load(write("bad.yaml", c.yaml), error)) << c.yaml;
        EXPECT_EQ(error.rfind(dir + "/", 0), 0u) << "names the file: " << error;
        EXPECT_NE(error.find(c.message), std::string::npos) << "got: " << error;
    }
    std::string error;
    EXPECT_FALSE(Retargeter::Load(dir + "/none.yaml", error));
    EXPECT_EQ(error, dir + "/none.yaml: cannot read: No such file or directory");
    EXPECT_FALSE(Retargeter::FromText("urdf: [", dir, error));
    EXPECT_EQ(error.rfind("<text>:1: ", 0), 0u) << error;
}
