#pragma once

// A robot hand beside a glove's hand in `tscore view` (--retarget SIDE=CONFIG): it follows the
// first glove of its side that the view shows, solved from each new live reading by the
// retargeting library, its links placed by forward kinematics at the solution. While the glove
// is not live, or a reading cannot be solved, the robot holds its last solution and says why.
//
// The page learns the robot's structure once, in the hello message:
//   {"side":"right" (the
//   glove's),"robotSide":"right","name":"...","config":"FILE","links":[{"name":"palm","parent":-1},...],
//    "tips":[[DIGIT,LINK],...]}   (the links matched to each digit's tip, thumb 0)
// and every frame gives the glove it follows:
//   "robot":{"state":"following|holding|failed","message":"...","links":[[x,y,z],...]}
// positions in millimetres in the glove's hand frame, at the robot's own size, rounded to 0.1 mm.

#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include <TSCore/Hand/HandPose.h>

#include "LiveState.h"

namespace TSCoreCli
{
    class ViewRobot
    {
    public:
        /// False in a build without libTSCoreRetarget.
        static bool Available();
        /// Reads the configuration and the robot it names; empty, with an error that names the
        /// file and the element, when it cannot be used.
        static std::unique_ptr<ViewRobot> Load(const std::string& path, bool followsRight, std::string& error);
        ViewRobot(const ViewRobot&) = delete;
        ViewRobot& operator=(const ViewRobot&) = delete;
        ~ViewRobot();

        /// The side of glove it follows (a robot of the other side mirrors it).
        bool FollowsRight() const;
        nlohmann::ordered_json Describe() const;
        /// Solves a new live reading (now: seconds on a steady clock), or holds; the frame's entry.
        nlohmann::ordered_json Follow(const TSCore::HandPose& pose, const GloveState& state, double now);

    private:
        struct Impl;
        explicit ViewRobot(std::unique_ptr<Impl> impl);
        std::unique_ptr<Impl> impl;
    };
}
