// A robot for the closed-loop test, as a ROS 2 node written in plain Cyclone DDS: it reads the
// robot hand's joint states that tscore-bridge publishes, and while the index finger is inside a
// virtual sphere it publishes full force on the index, zero force otherwise, every 10 ms.
//
// The sphere is placed in joint space: the index tip of the five-digit test hand enters it when
// the joint (index_pip by default) reaches the threshold, as a sphere that the closing fingertip
// meets at that bend would be touched. stdin: "sphere off" removes it, "sphere on" puts it back.
// stdout: "ready", then "contact STAMP VALUE" when the tip enters, "clear STAMP VALUE" when it
// leaves or the sphere is removed (STAMP: the joint state's stamp, seconds since 1970). It runs
// until "quit", SIGINT or SIGTERM.
//
// Usage: tscore_bridge_robot_node DOMAIN THRESHOLD [JOINT] [NAMESPACE]

#include <dds/dds.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sensor_msgs/msg/JointState.h"
#include "std_msgs/msg/Float32MultiArray.h"

namespace
{
    constexpr int batch = 16;

    dds_entity_t Check(dds_entity_t entity, const char* what)
    {
        if (entity < 0)
        {
            std::fprintf(stderr, "robot node: cannot create the %s: %s\n", what, dds_strretcode(entity));
            std::exit(1);
        }
        return entity;
    }

    struct Sphere
    {
        double threshold = 0.0;
        std::string joint;
        bool present = true;
        bool inside = false;
    };

    // Reads one stdin command when there is one; false at "quit". The end of input leaves the
    // node running (until SIGINT or SIGTERM).
    bool Command(Sphere& sphere, double stamp, bool& input)
    {
        pollfd in{STDIN_FILENO, POLLIN, 0};
        if (!input || poll(&in, 1, 0) <= 0)
            return true;
        char line[64] = {};
        if (std::fgets(line, sizeof line, stdin) == nullptr)
        {
            input = false;
            return true;
        }
        if (std::strncmp(line, "quit", 4) == 0)
            return false;
        const bool on = std::strncmp(line, "sphere on", 9) == 0;
        if (on || std::strncmp(line, "sphere off", 10) == 0)
        {
            sphere.present = on;
            if (!on && sphere.inside)
                std::printf("clear %.6f removed\n", stamp);
            sphere.inside = sphere.inside && on;
        }
        std::printf("ok\n");
        std::fflush(stdout);
        return true;
    }

    void OnJoints(const sensor_msgs_msg_dds__JointState_& s, Sphere& sphere, double& stamp)
    {
        for (std::uint32_t i = 0; i < s.name._length && i < s.position._length; ++i)
        {
            if (sphere.joint != s.name._buffer[i])
                continue;
            stamp = s.header.stamp.sec + 1e-9 * s.header.stamp.nanosec;
            const double value = s.position._buffer[i];
            const bool inside = sphere.present && value >= sphere.threshold;
            if (inside != sphere.inside)
            {
                std::printf("%s %.6f %.4f\n", inside ? "contact" : "clear", stamp, value);
                std::fflush(stdout);
            }
            sphere.inside = inside;
        }
    }

    void Force(dds_entity_t writer, bool inside)
    {
        float levels[5] = {0.0f, inside ? 1.0f : 0.0f, 0.0f, 0.0f, 0.0f};
        std_msgs_msg_dds__Float32MultiArray_ sample{};
        sample.data = {5, 5, levels, false};
        dds_write(writer, &sample);
    }
}

int main(int argc, char** argv)
{
    if (argc < 3)
    {
        std::fprintf(stderr, "usage: %s DOMAIN THRESHOLD [JOINT] [NAMESPACE]\n", argv[0]);
        return 2;
    }
    Sphere sphere;
    sphere.threshold = std::atof(argv[2]);
    sphere.joint = argc > 3 ? argv[3] : "index_pip";
    const std::string name = argc > 4 ? argv[4] : "tscore";
    const auto domain = static_cast<dds_domainid_t>(std::atoi(argv[1]));

    const dds_entity_t participant = Check(dds_create_participant(domain, nullptr, nullptr), "participant");
    dds_qos_t* qos = dds_create_qos(); // ROS 2's default: reliable, keep last 10
    dds_qset_reliability(qos, DDS_RELIABILITY_RELIABLE, DDS_SECS(1));
    dds_qset_history(qos, DDS_HISTORY_KEEP_LAST, 10);
    const dds_entity_t jointTopic =
        Check(dds_create_topic(participant, &sensor_msgs_msg_dds__JointState__desc,
                               ("rt/" + name + "/right/robot/joint_states").c_str(), nullptr, nullptr),
              "joint states' topic");
    const dds_entity_t forceTopic =
        Check(dds_create_topic(participant, &std_msgs_msg_dds__Float32MultiArray__desc,
                               ("rt/" + name + "/right/force_feedback").c_str(), nullptr, nullptr),
              "force topic");
    const dds_entity_t reader = Check(dds_create_reader(participant, jointTopic, qos, nullptr), "reader");
    const dds_entity_t writer = Check(dds_create_writer(participant, forceTopic, qos, nullptr), "writer");
    dds_delete_qos(qos);
    const dds_entity_t waitSet = Check(dds_create_waitset(participant), "wait set");
    const dds_entity_t readable = Check(dds_create_readcondition(reader, DDS_ANY_STATE), "read condition");
    dds_waitset_attach(waitSet, readable, reader);
    std::printf("ready\n");
    std::fflush(stdout);

    double stamp = 0.0;
    dds_time_t nextForce = 0;
    bool input = true;
    while (Command(sphere, stamp, input))
    {
        dds_waitset_wait(waitSet, nullptr, 0, DDS_MSECS(2));
        const bool before = sphere.inside;
        void* samples[batch] = {};
        dds_sample_info_t infos[batch];
        for (dds_return_t n; (n = dds_take(reader, samples, infos, batch, batch)) > 0;)
        {
            for (dds_return_t i = 0; i < n; ++i)
                if (infos[i].valid_data)
                    OnJoints(*static_cast<const sensor_msgs_msg_dds__JointState_*>(samples[i]), sphere, stamp);
            dds_return_loan(reader, samples, n);
        }
        // At once on a change, and every 10 ms as a controller's loop does.
        if (sphere.inside != before || dds_time() >= nextForce)
        {
            Force(writer, sphere.inside);
            nextForce = dds_time() + DDS_MSECS(10);
        }
    }
    dds_delete(participant);
    return 0;
}
