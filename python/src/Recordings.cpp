// The poses of a recording made by `tscore record`: each glove's texts through the same
// computation as a stream of live poses. tscore._recording reads the file.

#include "Arrays.h"
#include "Bindings.h"
#include "LibraryCall.h"
#include "TextPose.h"

#include <pybind11/stl.h>

#include <TSCore/Devices/ServiceReader.h>

#include <algorithm>

namespace tscore_py
{
    using TSCore::HandProfile;
    using TSCore::HapticGlove;

    namespace
    {
        // The glove a recorded record names, parsed as the reader parses the service's records;
        // empty for a device that is no glove.
        std::shared_ptr<HapticGlove> GloveOf(const std::string& record)
        {
            return std::dynamic_pointer_cast<HapticGlove>(TSCore::ServiceReader::DeviceFromRecord(0, record));
        }

        // One row per text, written without the GIL: NaN and not complete where there is no pose.
        class PoseArrays
        {
        public:
            explicit PoseArrays(py::ssize_t n)
                : angles(NewArray({n, 5, 3, 3})), positions(NewArray({n, 5, 4, 3})), rotations(NewArray({n, 5, 4, 4})),
                  flexion(NewArray({n, 5})), orientation(NewArray({n, 4})),
                  complete(n), rows{angles.mutable_data(), positions.mutable_data(), rotations.mutable_data(),
                                    flexion.mutable_data(), orientation.mutable_data()},
                  done(complete.mutable_data())
            {
            }

            void Put(std::size_t i, const HandPoseObject* pose)
            {
                done[i] = pose != nullptr;
                for (std::size_t a = 0; a < 5; ++a)
                {
                    float* row = rows[a] + i * sizes[a];
                    if (pose == nullptr)
                        std::fill(row, row + sizes[a], nan);
                    else
                        std::copy(From(*pose, a), From(*pose, a) + sizes[a], row);
                }
            }

            py::dict Into(py::dict out) const
            {
                out["angles"] = angles;
                out["positions"] = positions;
                out["rotations"] = rotations;
                out["flexion"] = flexion;
                out["orientation"] = orientation;
                out["complete"] = complete;
                return out;
            }

        private:
            static constexpr std::size_t sizes[5] = {45, 60, 80, 5, 4};

            static const float* From(const HandPoseObject& pose, std::size_t array)
            {
                const float* const from[5] = {&pose.angles[0][0][0], &pose.positions[0][0][0], &pose.rotations[0][0][0],
                                              pose.flexion, pose.orientation};
                return from[array];
            }

            FloatArray angles, positions, rotations, flexion, orientation;
            py::array_t<bool> complete;
            float* rows[5];
            bool* done;
        };

        py::object RecordedPoses(const std::string& record, const std::vector<std::string>& texts,
                                 const HandProfile* profile, const HandModelObject* model)
        {
            const std::shared_ptr<HapticGlove> glove = Call([&] { return GloveOf(record); });
            if (!glove)
                return py::none();
            const bool right = Locked([&] { return glove->IsRight(); });
            PoseArrays arrays(static_cast<py::ssize_t>(texts.size()));
            Call(
                [&]
                {
                    const HandProfile& p = profile ? *profile : DefaultProfile(right);
                    const auto* m = model ? &model->model : nullptr;
                    for (std::size_t i = 0; i < texts.size(); ++i)
                        arrays.Put(i, PoseOfText(*glove, texts[i], p, m, true).get());
                });
            py::dict out;
            out["is_right"] = right;
            out["device_id"] = Text(Locked([&] { return glove->GetDeviceID(); }));
            return arrays.Into(out);
        }
    }

    void BindRecordings(py::module_& m)
    {
        m.def("_recorded_poses", &RecordedPoses, py::arg("record"), py::arg("texts"), py::arg("profile") = nullptr,
              py::arg("model") = nullptr);
    }
}
