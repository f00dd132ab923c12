#include "ViewRobot.h"

#include <cmath>
#include <vector>

#include <TSCore/Retarget/Retargeter.h>
#include <TSCore/Retarget/RobotJoints.h>

namespace TSCoreCli
{
    using json = nlohmann::ordered_json;
    using TSCore::Retarget::Retargeter;

    namespace
    {
        json Rounded(double value)
        {
            return std::isfinite(value) ? json(std::round(value * 10.0) / 10.0) : json(nullptr);
        }
    }

    struct ViewRobot::Impl
    {
        std::unique_ptr<Retargeter> retargeter;
        TSCore::Retarget::RobotJoints joints;
        std::vector<TSCore::Kinematics::Vect3D> links;
        std::string state = "holding";
        std::string message = "waiting for a live reading of the glove";
        std::uint64_t solves = 0;
        bool followsRight = true;
    };

    bool ViewRobot::Available() { return true; }

    std::unique_ptr<ViewRobot> ViewRobot::Load(const std::string& path, bool followsRight, std::string& error)
    {
        auto impl = std::make_unique<Impl>();
        impl->retargeter = Retargeter::Load(path, error);
        if (!impl->retargeter)
            return nullptr;
        impl->followsRight = followsRight;
        impl->retargeter->Solution(impl->joints);
        impl->retargeter->LinkPositions(impl->links);
        return std::unique_ptr<ViewRobot>(new ViewRobot(std::move(impl)));
    }

    ViewRobot::ViewRobot(std::unique_ptr<Impl> i) : impl(std::move(i)) {}
    ViewRobot::~ViewRobot() = default;

    bool ViewRobot::FollowsRight() const { return impl->followsRight; }

    json ViewRobot::Describe() const
    {
        const Retargeter& r = *impl->retargeter;
        json links = json::array();
        for (const Retargeter::Link& link : r.Links())
            links.push_back({{"name", link.name}, {"parent", link.parent}});
        json tips = json::array();
        for (const Retargeter::LinkMatch& match : r.Mapping())
            for (std::size_t i = 0; i < r.Links().size(); ++i)
                if (match.point == 3 && r.Links()[i].name == match.link)
                    tips.push_back({static_cast<int>(match.digit), i});
        return {{"side", impl->followsRight ? "right" : "left"},
                {"robotSide", r.IsRight() ? "right" : "left"},
                {"name", r.RobotName()},
                {"config", r.ConfigPath()},
                {"links", std::move(links)},
                {"tips", std::move(tips)}};
    }

    json ViewRobot::Follow(const TSCore::HandPose& pose, const GloveState& state, double now)
    {
        Impl& i = *impl;
        if (!state.Live())
        {
            i.state = "holding";
            i.message = std::string("holding its last solution: the glove is ") + state.Word();
        }
        else if (state.newReading || i.solves == 0)
        {
            if (i.retargeter->Solve(pose, now, i.joints))
            {
                ++i.solves;
                i.state = "following";
                i.message = "following the glove";
                i.retargeter->LinkPositions(i.links);
            }
            else
            {
                i.state = "failed";
                i.message = "no solution for the latest reading: its pose lacks a point the configuration "
                            "matches or holds a number that is not finite; the last solution is shown";
            }
        }
        json links = json::array();
        for (const auto& p : i.links)
            links.push_back({Rounded(p.x), Rounded(p.y), Rounded(p.z)});
        return {{"state", i.state}, {"message", i.message}, {"links", std::move(links)}};
    }
}
