/* The C interface from C, against the real tesslink-sim: what a caller gets for bad input (a
 * status and a message, never a crash), stored objects, discovery, poses, haptics the
 * simulator receives, and the reader's judgement of each reading.
 * Usage: tscore_c_tests arguments|storage|discovery|haptics|reader */
#define _POSIX_C_SOURCE 200809L
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "Harness.h"

#ifndef TSCORE_C_EXAMPLE_PATH
#  define TSCORE_C_EXAMPLE_PATH "glove_pose"
#endif

#define ARRAY_SIZE(a) (sizeof(a) / sizeof((a)[0]))

static int all_finite(const float* values, size_t count)
{
    size_t i;
    for (i = 0; i < count; ++i)
        if (!isfinite(values[i]))
            return 0;
    return 1;
}

/* Texts out: a size query, a short buffer, a NULL buffer with a size. */
static void text_rules(void)
{
    char text[64];
    char tiny[4] = "xyz";
    size_t needed = 0;
    CHECK_STATUS(tscore_version(NULL, 0, &needed), TSCORE_OK);
    CHECK(needed == strlen("TSCore C++ Library v1.1.1") + 1);
    CHECK_STATUS(tscore_version(text, sizeof text, NULL), TSCORE_OK);
    CHECK(strcmp(text, "TSCore C++ Library v1.1.1") == 0);
    CHECK_STATUS(tscore_version(tiny, sizeof tiny, &needed), TSCORE_BUFFER_TOO_SMALL);
    CHECK(tiny[0] == '\0' && needed == 26);
    CHECK_MESSAGE("needs 26 bytes");
    CHECK_STATUS(tscore_version(NULL, 8, NULL), TSCORE_NULL_ARGUMENT);
    CHECK(tscore_abi_version() == TSCORE_C_ABI_VERSION);
    CHECK(strcmp(tscore_status_name(TSCORE_INVALID_UTF8), "TSCORE_INVALID_UTF8") == 0);
    CHECK(strcmp(tscore_status_name((tscore_status)999), "unknown status") == 0);
}

/* Handles: NULL, destroyed, forged, of another kind; all refused by status. */
static void handle_rules(void)
{
    tscore_pose* pose = NULL;
    tscore_profile* profile = NULL;
    float angles[TSCORE_POSE_ANGLES];
    int32_t right = -1;
    CHECK_STATUS(tscore_pose_create(1, NULL), TSCORE_NULL_ARGUMENT);
    CHECK_MESSAGE("out is NULL");
    CHECK_STATUS(tscore_pose_create(2, &pose), TSCORE_INVALID_ARGUMENT);
    CHECK_STATUS(tscore_pose_create(0, &pose), TSCORE_OK);
    CHECK_STATUS(tscore_pose_is_right(pose, &right), TSCORE_OK);
    CHECK(right == 0);
    CHECK_STATUS(tscore_pose_angles(NULL, angles, ARRAY_SIZE(angles)), TSCORE_NULL_ARGUMENT);
    CHECK_STATUS(tscore_pose_angles(pose, angles, ARRAY_SIZE(angles) - 1), TSCORE_BUFFER_TOO_SMALL);
    CHECK_MESSAGE("holds 44 elements, 45 are needed");
    CHECK_STATUS(tscore_pose_angles(pose, NULL, 45), TSCORE_NULL_ARGUMENT);

    CHECK_STATUS(tscore_profile_create(1, &profile), TSCORE_OK);
    CHECK_STATUS(tscore_pose_angles((tscore_pose*)profile, angles, 45), TSCORE_INVALID_HANDLE);
    CHECK_STATUS(tscore_glove_hand_pose((tscore_device*)pose, profile, pose), TSCORE_INVALID_HANDLE);
    CHECK_STATUS(tscore_pose_angles((tscore_pose*)(uintptr_t)0x1234, angles, 45), TSCORE_INVALID_HANDLE);
    CHECK_STATUS(tscore_pose_angles((tscore_pose*)UINTPTR_MAX, angles, 45), TSCORE_INVALID_HANDLE);

    CHECK_STATUS(tscore_pose_destroy(pose), TSCORE_OK);
    CHECK_STATUS(tscore_pose_angles(pose, angles, 45), TSCORE_INVALID_HANDLE);
    CHECK_MESSAGE("destroyed");
    CHECK_STATUS(tscore_pose_destroy(pose), TSCORE_INVALID_HANDLE);
    CHECK_STATUS(tscore_pose_destroy(NULL), TSCORE_OK);
    /* A new handle in the freed slot is not the old one. */
    CHECK_STATUS(tscore_pose_create(1, &pose), TSCORE_OK);
    CHECK_STATUS(tscore_pose_angles(pose, angles, 45), TSCORE_OK);
    CHECK_STATUS(tscore_profile_destroy((tscore_profile*)pose), TSCORE_INVALID_HANDLE);
    CHECK_STATUS(tscore_pose_destroy(pose), TSCORE_OK);
    CHECK_STATUS(tscore_profile_destroy(profile), TSCORE_OK);
}

/* The idle pose's arrays, and its OpenXR joints. */
static void pose_arrays(void)
{
    tscore_pose* pose = NULL;
    float angles[TSCORE_POSE_ANGLES], positions[TSCORE_POSE_POSITIONS], rotations[TSCORE_POSE_ROTATIONS];
    float flexion[TSCORE_POSE_FLEXION];
    tscore_xr_joint joints[TSCORE_XR_JOINT_COUNT];
    tscore_xr_pose wrist;
    const float zero[4] = {0, 0, 0, 0};
    const float level[4] = {0, 0, 0, 1};
    int32_t active = 0;
    CHECK_STATUS(tscore_pose_create(1, &pose), TSCORE_OK);
    CHECK_STATUS(tscore_pose_angles(pose, angles, 45), TSCORE_OK);
    CHECK_STATUS(tscore_pose_positions(pose, positions, 60), TSCORE_OK);
    CHECK_STATUS(tscore_pose_rotations(pose, rotations, 80), TSCORE_OK);
    CHECK_STATUS(tscore_pose_flexion(pose, 1, flexion, 5), TSCORE_OK);
    /* Thumb CMC of the idle right hand: flexion -20 degrees, spread 30 degrees. */
    CHECK(fabsf(angles[1] + 0.349066f) < 1e-5f && fabsf(angles[2] - 0.523599f) < 1e-5f);
    /* The index finger's tip (digit 1, entry 3), and a unit quaternion per entry. */
    CHECK(fabsf(positions[(1 * 4 + 3) * 3] - 134.001022f) < 1e-3f);
    CHECK(fabsf(rotations[3] * rotations[3] + rotations[0] * rotations[0] + rotations[1] * rotations[1] +
                rotations[2] * rotations[2] - 1.0f) < 1e-4f);
    CHECK(all_finite(angles, 45) && all_finite(positions, 60) && all_finite(rotations, 80));
    CHECK(flexion[0] >= 0.0f && flexion[0] <= 1.0f);
    {
        float all_angles[TSCORE_POSE_ANGLES] = {0}, all_flexion[TSCORE_POSE_FLEXION] = {0};
        CHECK_STATUS(tscore_pose_arrays(pose, all_angles, 45, NULL, 0, NULL, 0, all_flexion, 4),
                     TSCORE_BUFFER_TOO_SMALL);
        CHECK(all_angles[1] == 0.0f); /* nothing written */
        CHECK_STATUS(tscore_pose_arrays(pose, all_angles, 45, NULL, 5, NULL, 0, NULL, 0), TSCORE_NULL_ARGUMENT);
        CHECK_STATUS(tscore_pose_arrays(pose, all_angles, 45, NULL, 0, NULL, 0, all_flexion, 5), TSCORE_OK);
        CHECK(memcmp(all_angles, angles, sizeof angles) == 0);
        CHECK_STATUS(tscore_pose_flexion(pose, 0, flexion, 5), TSCORE_OK);
        CHECK(memcmp(all_flexion, flexion, sizeof flexion) == 0);
    }

    CHECK_STATUS(tscore_pose_openxr(pose, 1, NULL, joints, 25, &active), TSCORE_BUFFER_TOO_SMALL);
    CHECK_STATUS(tscore_pose_openxr(pose, 1, NULL, joints, 26, &active), TSCORE_OK);
    CHECK(active == 1 && joints[25].location_flags == 0xF && joints[1].pose.orientation[3] == 1.0f);
    CHECK(joints[10].radius > 0.0f && joints[10].pose.position[2] < -0.1f); /* index tip 10+ cm toward -Z */
    CHECK_STATUS(tscore_pose_openxr(pose, 0, NULL, joints, 26, NULL), TSCORE_OK);
    CHECK(joints[10].location_flags == 0);
    CHECK_STATUS(tscore_xr_wrist_pose(zero, NULL, &wrist), TSCORE_INVALID_ARGUMENT);
    CHECK(wrist.orientation[3] == 1.0f);
    CHECK_STATUS(tscore_xr_wrist_pose(level, NULL, &wrist), TSCORE_OK);
    CHECK_STATUS(tscore_pose_openxr(pose, 1, &wrist, joints, 26, &active), TSCORE_OK);
    CHECK(strcmp(tscore_xr_joint_name(0), "XR_HAND_JOINT_PALM_EXT") == 0 && tscore_xr_joint_name(26)[0] == '\0');
    CHECK(tscore_xr_joint_name(-1)[0] == '\0');
    tscore_pose_destroy(pose);
}

/* Texts in: not UTF-8, or of another kind. */
static void text_in_rules(void)
{
    static const char* const not_utf8[] = {"{R}\xff", "\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "abc\xe2\x82"};
    tscore_profile* profile = NULL;
    tscore_pose* pose = NULL;
    char text[8192];
    size_t i;
    for (i = 0; i < ARRAY_SIZE(not_utf8); ++i)
    {
        CHECK_STATUS(tscore_profile_from_text(not_utf8[i], &profile), TSCORE_INVALID_UTF8);
        CHECK_STATUS(tscore_pose_load(not_utf8[i], &pose), TSCORE_INVALID_UTF8);
    }
    CHECK_MESSAGE("path is not UTF-8");
    CHECK_STATUS(tscore_profile_from_text(NULL, &profile), TSCORE_NULL_ARGUMENT);
    CHECK_STATUS(tscore_profile_from_text("garbage", &profile), TSCORE_PARSE_ERROR);
    CHECK_STATUS(tscore_pose_from_text("{R}", &pose), TSCORE_PARSE_ERROR);
    /* A pose is no profile and a profile no pose; a hand model is no pose either. */
    CHECK_STATUS(tscore_pose_create(1, &pose), TSCORE_OK);
    CHECK_STATUS(tscore_pose_to_text(pose, text, sizeof text, NULL), TSCORE_OK);
    CHECK_STATUS(tscore_profile_from_text(text, &profile), TSCORE_PARSE_ERROR);
    CHECK_MESSAGE("is not a stored hand profile");
    tscore_pose_destroy(pose);
    CHECK_STATUS(tscore_pose_from_text("{R}{{40;20;25}{30;25;20}}{{1;2;3}}{{0;0;0;1}}", &pose), TSCORE_PARSE_ERROR);
    CHECK_STATUS(tscore_profile_create(0, &profile), TSCORE_OK);
    CHECK_STATUS(tscore_profile_to_text(profile, text, sizeof text, NULL), TSCORE_OK);
    CHECK_STATUS(tscore_pose_from_text(text, &pose), TSCORE_PARSE_ERROR);
    tscore_profile_destroy(profile);
}

/* Profiles and poses through text and files, and the errors of files. */
static void storage(void)
{
    char dir[] = "/tmp/tscore-c-XXXXXX";
    char path[256], missing[256];
    char* text;
    size_t needed = 0;
    tscore_profile *profile = NULL, *loaded = NULL;
    tscore_pose *pose = NULL, *again = NULL;
    int32_t equal = 0, right = 1;
    CHECK(mkdtemp(dir) != NULL);
    snprintf(path, sizeof path, "%s/left.profile", dir);
    snprintf(missing, sizeof missing, "%s/no/such/dir/x.profile", dir);

    CHECK_STATUS(tscore_profile_create(0, &profile), TSCORE_OK);
    CHECK_STATUS(tscore_profile_to_text(profile, NULL, 0, &needed), TSCORE_OK);
    text = malloc(needed);
    CHECK_STATUS(tscore_profile_to_text(profile, text, needed, NULL), TSCORE_OK);
    CHECK_STATUS(tscore_profile_from_text(text, &loaded), TSCORE_OK);
    CHECK_STATUS(tscore_profile_equals(profile, loaded, &equal), TSCORE_OK);
    CHECK(equal == 1);
    CHECK_STATUS(tscore_profile_is_right(loaded, &right), TSCORE_OK);
    CHECK(right == 0);
    tscore_profile_destroy(loaded);
    free(text);
    CHECK_STATUS(tscore_profile_save(profile, path), TSCORE_OK);
    CHECK_STATUS(tscore_profile_load(path, &loaded), TSCORE_OK);
    CHECK_STATUS(tscore_profile_equals(profile, loaded, &equal), TSCORE_OK);
    CHECK(equal == 1 && access(path, F_OK) == 0);
    CHECK_STATUS(tscore_profile_save(profile, missing), TSCORE_IO_ERROR);
    CHECK_MESSAGE("No such file or directory");
    CHECK_STATUS(tscore_profile_load(missing, &loaded), TSCORE_IO_ERROR);
    CHECK_STATUS(tscore_pose_load(path, &pose), TSCORE_PARSE_ERROR); /* a profile file is no pose */

    snprintf(path, sizeof path, "%s/right.pose", dir);
    CHECK_STATUS(tscore_pose_create(1, &pose), TSCORE_OK);
    CHECK_STATUS(tscore_pose_save(pose, path), TSCORE_OK);
    CHECK_STATUS(tscore_pose_load(path, &again), TSCORE_OK);
    CHECK_STATUS(tscore_pose_equals(pose, again, &equal), TSCORE_OK);
    CHECK(equal == 1);
    CHECK_STATUS(tscore_profile_load(path, &loaded), TSCORE_PARSE_ERROR);
    CHECK_STATUS(tscore_profile_load(dir, &loaded), TSCORE_IO_ERROR); /* a directory */
    tscore_pose_destroy(pose);
    tscore_pose_destroy(again);
    tscore_profile_destroy(profile);
    snprintf(path, sizeof path, "rm -rf '%s'", dir);
    CHECK(system(path) == 0);
}

static void glove_info(tscore_device* device, int32_t type, int32_t side, int32_t glove_index, const char* id)
{
    tscore_device_info info;
    char text[64];
    CHECK_STATUS(tscore_device_get_info(device, &info), TSCORE_OK);
    CHECK(info.type == type && info.side == side && info.glove_index == glove_index && info.connected == 1);
    CHECK_STATUS(tscore_device_id(device, text, sizeof text, NULL), TSCORE_OK);
    CHECK(strcmp(text, id) == 0);
}

/* The device list, gloves by index and side, a pose that follows the glove, a service that stops. */
static void discovery(void)
{
    static const char* const args[] = {"--tessara", "right", "--kelvo", "left", "--beta", "dev7:HW2:v1.4", NULL};
    sim_process sim;
    tscore_service_status service;
    tscore_device *device = NULL, *glove = NULL;
    tscore_pose* pose = NULL;
    tscore_device_info info;
    size_t count = 0;
    char text[256];
    float flexion[5], open_flexion[5], q[4];
    int i;

    CHECK_STATUS(tscore_service_status_read(&service), TSCORE_OK);
    CHECK(service.state == TSCORE_SERVICE_STOPPED && service.has_stamp == 0);
    CHECK_STATUS(tscore_glove_open_first(TSCORE_SIDE_ANY, &glove), TSCORE_NOT_FOUND);
    CHECK_MESSAGE("no connected glove");
    CHECK(sim_start(&sim, args));
    CHECK_STATUS(tscore_service_status_read(&service), TSCORE_OK);
    CHECK(service.state == TSCORE_SERVICE_RUNNING && service.has_stamp == 1 && service.stamp_age <= 1);

    CHECK_STATUS(tscore_device_count(&count), TSCORE_OK);
    CHECK(count == 3);
    CHECK_STATUS(tscore_device_open(3, &device), TSCORE_NOT_FOUND);
    CHECK_STATUS(tscore_device_open(2, &device), TSCORE_OK);
    CHECK_STATUS(tscore_device_get_info(device, &info), TSCORE_OK);
    CHECK(info.type == TSCORE_DEVICE_BETA && info.side == TSCORE_SIDE_NONE && info.glove_index == -1);
    CHECK(info.index == 2 && info.firmware == 1 && info.sub_firmware == 4 && info.connected == 1);
    CHECK_STATUS(tscore_device_key(device, text, sizeof text, NULL), TSCORE_OK);
    CHECK(strcmp(text, "device2") == 0);
    CHECK_STATUS(tscore_device_hardware(device, text, sizeof text, NULL), TSCORE_OK);
    CHECK(strcmp(text, "HW2") == 0);
    CHECK_STATUS(tscore_glove_hand_pose(device, NULL, pose), TSCORE_NOT_A_GLOVE);
    CHECK_MESSAGE("which is not a glove");
    tscore_device_destroy(device);

    CHECK_STATUS(tscore_glove_count(&count), TSCORE_OK);
    CHECK(count == 2);
    CHECK_STATUS(tscore_glove_open(2, &glove), TSCORE_NOT_FOUND);
    CHECK_STATUS(tscore_glove_open(1, &glove), TSCORE_OK);
    glove_info(glove, TSCORE_DEVICE_KELVO, TSCORE_SIDE_LEFT, 1, "KV1-L0001");
    tscore_device_destroy(glove);
    CHECK_STATUS(tscore_glove_open_first(TSCORE_SIDE_LEFT, &glove), TSCORE_OK);
    glove_info(glove, TSCORE_DEVICE_KELVO, TSCORE_SIDE_LEFT, 1, "KV1-L0001");
    tscore_device_destroy(glove);
    CHECK_STATUS(tscore_glove_open_first(TSCORE_SIDE_RIGHT, &glove), TSCORE_OK);
    glove_info(glove, TSCORE_DEVICE_TESSARA, TSCORE_SIDE_RIGHT, 0, "QX7.2-R0001");
    CHECK_STATUS(tscore_device_name(glove, text, sizeof text, NULL), TSCORE_OK);
    CHECK(strcmp(text, "Tessara QX7.2-R0001") == 0);
    CHECK_STATUS(tscore_device_sensor_text(glove, text, sizeof text, NULL), TSCORE_OK);
    CHECK(text[0] != '\0');

    /* The pose follows the glove: a fist flexes every finger more than an open hand. */
    CHECK_STATUS(tscore_pose_create(1, &pose), TSCORE_OK);
    CHECK(sim_control(&sim, "flex 0 0,0,0,0,0"));
    CHECK_STATUS(tscore_glove_hand_pose(glove, NULL, pose), TSCORE_OK);
    CHECK_STATUS(tscore_pose_flexion(pose, 0, open_flexion, 5), TSCORE_OK);
    CHECK(sim_control(&sim, "flex 0 1,1,1,1,1"));
    CHECK_STATUS(tscore_glove_hand_pose(glove, NULL, pose), TSCORE_OK);
    CHECK_STATUS(tscore_pose_flexion(pose, 0, flexion, 5), TSCORE_OK);
    for (i = 1; i < 5; ++i)
        CHECK(flexion[i] > open_flexion[i] + 0.2f);
    CHECK_STATUS(tscore_glove_imu_rotation(glove, q, 3), TSCORE_BUFFER_TOO_SMALL);
    CHECK_STATUS(tscore_glove_imu_rotation(glove, q, 4), TSCORE_OK);
    CHECK(fabsf(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3] - 1.0f) < 1e-3f);

    CHECK(sim_control(&sim, "disconnect 0"));
    CHECK_STATUS(tscore_device_get_info(glove, &info), TSCORE_OK);
    CHECK(info.connected == 0);
    CHECK_STATUS(tscore_glove_open_first(TSCORE_SIDE_RIGHT, &device), TSCORE_NOT_FOUND);

    /* No service: no reading, the idle pose, and the identity. */
    sim_stop(&sim);
    CHECK_STATUS(tscore_glove_hand_pose(glove, NULL, pose), TSCORE_NO_READING);
    CHECK_STATUS(tscore_pose_flexion(pose, 0, flexion, 5), TSCORE_OK);
    CHECK(flexion[1] < 0.2f);
    CHECK_STATUS(tscore_glove_imu_rotation(glove, q, 4), TSCORE_NO_READING);
    CHECK(q[3] == 1.0f);
    CHECK_STATUS(tscore_service_status_read(&service), TSCORE_OK);
    CHECK(service.state == TSCORE_SERVICE_STOPPED);
    CHECK_STATUS(tscore_device_list_reset(), TSCORE_OK);
    CHECK_STATUS(tscore_device_count(&count), TSCORE_OK);
    CHECK(count == 0);
    CHECK_STATUS(tscore_device_get_info(glove, &info), TSCORE_OK); /* still usable */
    tscore_pose_destroy(pose);
    tscore_device_destroy(glove);
}

/* What the simulator prints for each command the library sends: the next "haptics" line. */
static int received(sim_process* sim, const char* expected)
{
    char line[512];
    if (!sim_wait_line(sim, "haptics ", line, sizeof line, 3000))
        return 0;
    if (strncmp(line, expected, strlen(expected)) == 0)
        return 1;
    fprintf(stderr, "the simulator received \"%s\", expected \"%s\"\n", line, expected);
    return 0;
}

static void haptics(void)
{
    static const char* const args[] = {"--tessara", "right", "--kelvo", "left", NULL};
    const int32_t ffb[5] = {0, 50, 50, 0, 0}, buzz[5] = {0, 80, 0, 0, 0};
    const int32_t kelvo_ffb[4] = {10, 20, 30, 40}, kelvo_buzz[2] = {5, 6}, too_high[5] = {0, 101, 0, 0, 0};
    sim_process sim;
    tscore_device *tessara = NULL, *kelvo = NULL;
    CHECK(sim_start(&sim, args));
    CHECK_STATUS(tscore_glove_open(0, &tessara), TSCORE_OK);
    CHECK_STATUS(tscore_glove_open(1, &kelvo), TSCORE_OK);

    CHECK_STATUS(tscore_glove_send_haptics(tessara, ffb, 5, buzz, 5, TSCORE_THUMPER_KNOCK), TSCORE_OK);
    CHECK(received(&sim, "haptics device0 tessara ffb=0,50,50,0,0 buzz=0,80,0,0,0 thumper=3 "));
    /* What is not given stays as it was sent last. */
    CHECK_STATUS(tscore_glove_send_haptics(tessara, NULL, 0, ffb, 5, TSCORE_THUMPER_KEEP), TSCORE_OK);
    CHECK(received(&sim, "haptics device0 tessara ffb=0,50,50,0,0 buzz=0,50,50,0,0 thumper=126 "));
    CHECK_STATUS(tscore_glove_send_haptics(kelvo, kelvo_ffb, 4, kelvo_buzz, 2, 40), TSCORE_OK);
    CHECK(received(&sim, "haptics device1 kelvo ffb=10,20,30,40 buzz=5,6 thumper=40 "));
    CHECK_STATUS(tscore_glove_send_haptics(kelvo, NULL, 0, buzz, 5, TSCORE_THUMPER_KEEP), TSCORE_OK);
    CHECK(received(&sim, "haptics device1 kelvo ffb=10,20,30,40 buzz=0,80 thumper=40 "));

    /* Refused before anything is sent. */
    CHECK_STATUS(tscore_glove_send_haptics(tessara, too_high, 5, NULL, 0, TSCORE_THUMPER_KEEP),
                 TSCORE_INVALID_ARGUMENT);
    CHECK_MESSAGE("ffb[1] is 101: levels are 0 to 100");
    CHECK_STATUS(tscore_glove_send_haptics(tessara, ffb, 4, NULL, 0, TSCORE_THUMPER_KEEP), TSCORE_INVALID_ARGUMENT);
    CHECK_STATUS(tscore_glove_send_haptics(kelvo, ffb, 3, NULL, 0, TSCORE_THUMPER_KEEP), TSCORE_INVALID_ARGUMENT);
    CHECK_STATUS(tscore_glove_send_haptics(tessara, NULL, 5, NULL, 0, TSCORE_THUMPER_KEEP), TSCORE_NULL_ARGUMENT);
    CHECK_STATUS(tscore_glove_send_haptics(tessara, NULL, 0, NULL, 0, 50), TSCORE_INVALID_ARGUMENT);
    CHECK_STATUS(tscore_glove_send_haptics(kelvo, NULL, 0, NULL, 0, 101), TSCORE_INVALID_ARGUMENT);

    /* A disconnected glove gets nothing; the stop is written all the same. */
    CHECK(sim_control(&sim, "disconnect 1"));
    CHECK_STATUS(tscore_glove_send_haptics(kelvo, NULL, 0, NULL, 0, 90), TSCORE_NOT_CONNECTED);
    CHECK_STATUS(tscore_glove_stop_haptics(kelvo), TSCORE_OK);
    CHECK(received(&sim, "haptics device1 kelvo ffb=0,0,0,0 buzz=0,0 thumper=0 "));
    CHECK_STATUS(tscore_glove_stop_haptics(tessara), TSCORE_OK);
    CHECK(received(&sim, "haptics device0 tessara ffb=0,0,0,0,0 buzz=0,0,0,0,0 thumper=126 "));

    /* A service that does not update gets nothing either. */
    CHECK(sim_control(&sim, "scan -5"));
    CHECK_STATUS(tscore_glove_send_haptics(tessara, ffb, 5, NULL, 0, TSCORE_THUMPER_KEEP), TSCORE_SERVICE_NOT_RUNNING);
    CHECK_MESSAGE("not updating (time stamp 5 s old): nothing sent");
    sim_stop(&sim);
    CHECK_STATUS(tscore_glove_stop_haptics(tessara), TSCORE_SERVICE_NOT_RUNNING);
    CHECK(access("/dev/shm/Haptics", F_OK) != 0); /* and no segment made for nobody */
    tscore_device_destroy(tessara);
    tscore_device_destroy(kelvo);
    tscore_device_list_reset();
}

/* The reader's next check, then a read of glove 0. */
static void read_state(tscore_reader* reader, tscore_pose* pose, tscore_status status, int32_t state)
{
    tscore_reading reading;
    CHECK_STATUS(tscore_reader_refresh(reader, NULL), TSCORE_OK);
    CHECK_STATUS(tscore_reader_hand_pose(reader, 0, NULL, pose, &reading), status);
    if (reading.state != state)
    {
        ++test_failures;
        fprintf(stderr, "reader: state %d, expected %d\n", (int)reading.state, (int)state);
    }
}

/* The reader's judgement of each reading, calibration, and the example program. */
static void reader(void)
{
    static const char* const args[] = {"--tessara", "right", "--beta", "dev7:HW2:v1.4", NULL};
    static const char* const kelvo[] = {"--kelvo", "left", NULL};
    sim_process sim;
    tscore_reader* reader = NULL;
    tscore_pose* pose = NULL;
    tscore_profile *profile = NULL, *uncalibrated = NULL;
    tscore_device* glove = NULL;
    tscore_reading reading, again;
    tscore_service_status service;
    tscore_device_info info;
    size_t count = 0, position = 9;
    uint64_t generation = 0, again_generation = 0;
    int32_t changed = 1;
    char text[512], command[600];
    float low[15], high[15], q[4];
    int32_t equal = 1;
    FILE* example;

    CHECK(sim_start(&sim, args));
    CHECK_STATUS(tscore_reader_create(&reader), TSCORE_OK);
    CHECK_STATUS(tscore_reader_device_count(reader, &count), TSCORE_OK);
    CHECK(count == 2);
    CHECK_STATUS(tscore_reader_generation(reader, &generation), TSCORE_OK);
    CHECK_STATUS(tscore_reader_update(reader, &changed), TSCORE_OK);
    CHECK(changed == 0);
    CHECK_STATUS(tscore_reader_find_glove(reader, TSCORE_SIDE_LEFT, &position), TSCORE_NOT_FOUND);
    CHECK_STATUS(tscore_reader_find_glove(reader, TSCORE_SIDE_RIGHT, &position), TSCORE_OK);
    CHECK(position == 0);
    CHECK_STATUS(tscore_reader_device_info(reader, 1, &info), TSCORE_OK);
    CHECK(info.type == TSCORE_DEVICE_BETA && info.index == 1 && info.glove_index == -1);
    CHECK_STATUS(tscore_reader_device_info(reader, 2, &info), TSCORE_NOT_FOUND);
    CHECK_STATUS(tscore_pose_create(1, &pose), TSCORE_OK);
    CHECK_STATUS(tscore_reader_hand_pose(reader, 1, NULL, pose, &reading), TSCORE_NOT_A_GLOVE);
    CHECK_STATUS(tscore_reader_hand_pose(reader, 2, NULL, pose, &reading), TSCORE_NOT_FOUND);
    CHECK_STATUS(tscore_reader_hand_pose(reader, 0, NULL, pose, &reading), TSCORE_OK);
    CHECK(reading.state == TSCORE_GLOVE_LIVE && reading.connected == 1 && reading.is_new == 1 && reading.sequence == 1);
    CHECK_STATUS(tscore_reader_imu_rotation(reader, 0, q, 4), TSCORE_OK);
    CHECK_STATUS(tscore_reader_service_status(reader, &service), TSCORE_OK);
    CHECK(service.state == TSCORE_SERVICE_RUNNING);

    /* A text that does not change is no new reading. */
    CHECK_STATUS(tscore_reader_device(reader, 0, &glove), TSCORE_OK);
    CHECK_STATUS(tscore_reader_sensor_text(reader, 0, text, sizeof text, NULL), TSCORE_OK);
    snprintf(command, sizeof command, "data 0 %s", text);
    CHECK(sim_control(&sim, command));
    CHECK_STATUS(tscore_reader_hand_pose(reader, 0, NULL, pose, &reading), TSCORE_OK);
    CHECK_STATUS(tscore_reader_hand_pose(reader, 0, NULL, pose, &again), TSCORE_OK);
    CHECK(again.is_new == 0 && again.sequence == reading.sequence && again.state == TSCORE_GLOVE_LIVE);

    CHECK(sim_control(&sim, "disconnect 0"));
    read_state(reader, pose, TSCORE_OK, TSCORE_GLOVE_DISCONNECTED);
    CHECK(sim_control(&sim, "connect 0"));
    CHECK(sim_control(&sim, "scan -5"));
    read_state(reader, pose, TSCORE_OK, TSCORE_GLOVE_STALE);
    CHECK(sim_control(&sim, "scan -20"));
    read_state(reader, pose, TSCORE_OK, TSCORE_GLOVE_STOPPED);
    CHECK(sim_control(&sim, "scan 0"));
    CHECK(sim_control(&sim, "data 0 garbage"));
    read_state(reader, pose, TSCORE_NO_READING, TSCORE_GLOVE_INCOMPLETE);
    CHECK(sim_control(&sim, "flex 0 auto"));

    /* Calibration: the range of an opened and closed hand, written into a profile. */
    CHECK_STATUS(tscore_glove_reset_calibration(glove), TSCORE_OK);
    CHECK(sim_control(&sim, "flex 0 0,0,0,0,0"));
    CHECK_STATUS(tscore_glove_update_calibration_range(glove), TSCORE_OK);
    CHECK(sim_control(&sim, "flex 0 1,1,1,1,1"));
    CHECK_STATUS(tscore_glove_update_calibration_range(glove), TSCORE_OK);
    CHECK_STATUS(tscore_glove_calibration_range(glove, low, 15, high, 14), TSCORE_BUFFER_TOO_SMALL);
    CHECK_STATUS(tscore_glove_calibration_range(glove, low, 15, high, 15), TSCORE_OK);
    CHECK(high[1 * 3 + 1] > low[1 * 3 + 1] + 0.5f); /* the index finger's flexion */
    CHECK_STATUS(tscore_profile_create(1, &profile), TSCORE_OK);
    CHECK_STATUS(tscore_profile_create(1, &uncalibrated), TSCORE_OK);
    CHECK_STATUS(tscore_glove_apply_calibration(glove, NULL), TSCORE_NULL_ARGUMENT);
    CHECK_STATUS(tscore_glove_update_calibration(glove, profile), TSCORE_OK);
    CHECK_STATUS(tscore_profile_equals(profile, uncalibrated, &equal), TSCORE_OK);
    CHECK(equal == 0);
    read_state(reader, pose, TSCORE_OK, TSCORE_GLOVE_LIVE);

    /* The example program, as a user runs it. */
    example = popen(TSCORE_C_EXAMPLE_PATH, "r");
    CHECK(example != NULL && fgets(text, sizeof text, example) != NULL);
    CHECK(strncmp(text, "thumb ", 6) == 0);
    CHECK(fgets(text, sizeof text, example) != NULL && strcmp(text, "Buzzed the index finger\n") == 0);
    CHECK(example != NULL && pclose(example) == 0);
    CHECK(received(&sim, "haptics device0 tessara ffb=0,0,0,0,0 buzz=0,80,0,0,0 "));

    /* A service restarted with other devices: the list follows it, and the generation moves. */
    sim_stop(&sim);
    CHECK_STATUS(tscore_reader_refresh(reader, &changed), TSCORE_OK);
    CHECK_STATUS(tscore_reader_device_count(reader, &count), TSCORE_OK);
    CHECK(changed == 1 && count == 0);
    CHECK(sim_start(&sim, kelvo));
    CHECK_STATUS(tscore_reader_refresh(reader, &changed), TSCORE_OK);
    CHECK_STATUS(tscore_reader_find_glove(reader, TSCORE_SIDE_LEFT, &position), TSCORE_OK);
    CHECK_STATUS(tscore_reader_generation(reader, &again_generation), TSCORE_OK);
    CHECK(changed == 1 && position == 0 && again_generation > generation);
    read_state(reader, pose, TSCORE_OK, TSCORE_GLOVE_LIVE);
    sim_stop(&sim);
    tscore_profile_destroy(profile);
    tscore_profile_destroy(uncalibrated);
    tscore_pose_destroy(pose);
    tscore_reader_destroy(reader);
    tscore_device_destroy(glove);
}

int main(int argc, char** argv)
{
    const char* group = argc > 1 ? argv[1] : "";
    remove_segments();
    if (strcmp(group, "arguments") == 0)
    {
        text_rules();
        handle_rules();
        pose_arrays();
        text_in_rules();
    }
    else if (strcmp(group, "storage") == 0)
        storage();
    else if (strcmp(group, "discovery") == 0)
        discovery();
    else if (strcmp(group, "haptics") == 0)
        haptics();
    else if (strcmp(group, "reader") == 0)
        reader();
    else
    {
        fprintf(stderr, "usage: %s arguments|storage|discovery|haptics|reader\n", argv[0]);
        return 2;
    }
    printf("%s: %d check(s) failed\n", group, test_failures);
    return test_failures == 0 ? 0 : 1;
}
