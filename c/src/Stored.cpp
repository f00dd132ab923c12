// Profiles and poses: made, compared, and stored as text and files.

#include <memory>

#include <TSCore/Util/StoredKind.h>

#include "Objects.h"
#include "Text.h"

using namespace tscore_c;
using TSCore::HandPose;
using TSCore::HandProfile;

namespace
{
    // The library's readers answer a text of the wrong kind with a default value that would
    // pass unnoticed, so the shape is judged first.
    std::unique_ptr<tscore_profile> ProfileFrom(const std::string& text, const char* what)
    {
        if (TSCore::Util::KindOfStored(text) != TSCore::Util::StoredKind::HandProfile)
            throw Failure{TSCORE_PARSE_ERROR, std::string(what) + " is not a stored hand profile"};
        return std::make_unique<tscore_profile>(tscore_profile{HandProfile::Deserialize(text)});
    }

    std::unique_ptr<tscore_pose> PoseFrom(const std::string& text, const char* what)
    {
        if (TSCore::Util::KindOfStored(text) != TSCore::Util::StoredKind::HandPose)
            throw Failure{TSCORE_PARSE_ERROR, std::string(what) + " is not a stored hand pose"};
        return std::make_unique<tscore_pose>(tscore_pose{HandPose::Deserialize(text)});
    }

    std::string FileName(const char* path) { return InText(path, "path"); }

    std::string InFile(const std::string& path) { return "the file " + path; }
}

extern "C"
{
    tscore_status tscore_profile_create(int32_t is_right, tscore_profile** out)
    {
        return Call(__func__,
                    [&]
                    {
                        NotNull(out, "out");
                        const bool right = SideFlag(is_right, "is_right");
                        return Publish(std::make_unique<tscore_profile>(tscore_profile{HandProfile::Default(right)}),
                                       out);
                    });
    }

    tscore_status tscore_profile_from_text(const char* text, tscore_profile** out)
    {
        return Call(__func__,
                    [&]
                    {
                        const std::string t = InText(text, "text");
                        return Publish(ProfileFrom(t, "the text"), NotNull(out, "out"));
                    });
    }

    tscore_status tscore_profile_load(const char* path, tscore_profile** out)
    {
        return Call(__func__,
                    [&]
                    {
                        const std::string p = FileName(path);
                        NotNull(out, "out");
                        return Publish(ProfileFrom(ReadFile(p), InFile(p).c_str()), out);
                    });
    }

    tscore_status tscore_profile_to_text(tscore_profile* profile, char* buffer, size_t size, size_t* needed)
    {
        return Call(__func__,
                    [&] { return OutText(Object(profile, "profile").profile.Serialize(), buffer, size, needed); });
    }

    tscore_status tscore_profile_save(tscore_profile* profile, const char* path)
    {
        return Call(__func__,
                    [&]
                    {
                        const HandProfile& p = Object(profile, "profile").profile;
                        WriteFile(FileName(path), p.Serialize());
                        return Succeed();
                    });
    }

    tscore_status tscore_profile_is_right(tscore_profile* profile, int32_t* is_right)
    {
        return Call(__func__,
                    [&]
                    {
                        const HandProfile& p = Object(profile, "profile").profile;
                        *NotNull(is_right, "is_right") = p.isRight ? 1 : 0;
                        return Succeed();
                    });
    }

    tscore_status tscore_profile_equals(tscore_profile* a, tscore_profile* b, int32_t* equal)
    {
        return Call(__func__,
                    [&]
                    {
                        const HandProfile& pa = Object(a, "a").profile;
                        const HandProfile& pb = Object(b, "b").profile;
                        *NotNull(equal, "equal") = pa.Equals(pb) ? 1 : 0;
                        return Succeed();
                    });
    }

    tscore_status tscore_profile_destroy(tscore_profile* profile) { return Destroy(__func__, profile); }

    tscore_status tscore_pose_create(int32_t is_right, tscore_pose** out)
    {
        return Call(__func__,
                    [&]
                    {
                        NotNull(out, "out");
                        const bool right = SideFlag(is_right, "is_right");
                        return Publish(std::make_unique<tscore_pose>(tscore_pose{HandPose::DefaultIdle(right)}), out);
                    });
    }

    tscore_status tscore_pose_from_text(const char* text, tscore_pose** out)
    {
        return Call(__func__,
                    [&]
                    {
                        const std::string t = InText(text, "text");
                        return Publish(PoseFrom(t, "the text"), NotNull(out, "out"));
                    });
    }

    tscore_status tscore_pose_load(const char* path, tscore_pose** out)
    {
        return Call(__func__,
                    [&]
                    {
                        const std::string p = FileName(path);
                        NotNull(out, "out");
                        return Publish(PoseFrom(ReadFile(p), InFile(p).c_str()), out);
                    });
    }

    tscore_status tscore_pose_to_text(tscore_pose* pose, char* buffer, size_t size, size_t* needed)
    {
        return Call(__func__, [&] { return OutText(Object(pose, "pose").pose.Serialize(), buffer, size, needed); });
    }

    tscore_status tscore_pose_save(tscore_pose* pose, const char* path)
    {
        return Call(__func__,
                    [&]
                    {
                        const HandPose& p = Object(pose, "pose").pose;
                        WriteFile(FileName(path), p.Serialize());
                        return Succeed();
                    });
    }

    tscore_status tscore_pose_is_right(tscore_pose* pose, int32_t* is_right)
    {
        return Call(__func__,
                    [&]
                    {
                        const HandPose& p = Object(pose, "pose").pose;
                        *NotNull(is_right, "is_right") = p.isRight ? 1 : 0;
                        return Succeed();
                    });
    }

    tscore_status tscore_pose_equals(tscore_pose* a, tscore_pose* b, int32_t* equal)
    {
        return Call(__func__,
                    [&]
                    {
                        const HandPose& pa = Object(a, "a").pose;
                        const HandPose& pb = Object(b, "b").pose;
                        *NotNull(equal, "equal") = pa.Equals(pb) ? 1 : 0;
                        return Succeed();
                    });
    }

    tscore_status tscore_pose_destroy(tscore_pose* pose) { return Destroy(__func__, pose); }
}
