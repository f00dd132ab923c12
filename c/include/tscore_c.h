/*
 * TSCore's C interface: the gloves from C and from any language with a C foreign-function
 * interface (C# P/Invoke, Rust, Go, Java through JNA, Julia, Python ctypes).
 *
 * Conventions, for every function below:
 * - Every function returns a tscore_status; TSCORE_OK is 0. Nothing throws, nothing aborts:
 *   a null handle, a destroyed handle, a null or short buffer and a text that is not UTF-8 give
 *   a status, and tscore_last_error() says what was wrong in words.
 * - Handles are opaque. A handle stays valid until its *_destroy function; a destroyed handle
 *   is recognised (TSCORE_INVALID_HANDLE), never dereferenced. *_destroy(NULL) does nothing.
 * - Texts in are NUL-terminated UTF-8. Texts out go into a caller buffer of `size` bytes; the
 *   function writes the bytes needed, NUL included, to `*needed` when needed is not NULL. A NULL
 *   buffer with size 0 only asks for that size. A buffer too small gets an empty string and
 *   TSCORE_BUFFER_TOO_SMALL.
 * - Arrays out go into caller buffers whose element count is given; a larger buffer is fine,
 *   a smaller one gives TSCORE_BUFFER_TOO_SMALL and nothing written.
 * - Threads: the library computes on the caller's thread and is not thread-safe; call it from
 *   one thread at a time. The *_destroy functions alone may run on any thread (a garbage
 *   collector's finalizer), as long as nothing else uses that handle then. tscore_last_error()
 *   is per thread.
 * - Angles are radians, positions millimetres in the hand frame (+x toward the fingers, +y
 *   toward the thumb of a right hand, +z out of the back of the hand); OpenXR results are in
 *   metres. Digits are always thumb, index, middle, ring, pinky. Quaternions are x, y, z, w.
 */
#ifndef TSCORE_C_H
#define TSCORE_C_H
/* A C header, laid out for C readers: nothing indented inside extern "C". */
/* clang-format off */

#include <stddef.h>
#include <stdint.h>

/* Raised whenever a function's meaning or a struct's layout changes; compare it with
 * tscore_abi_version() to find a header and a library that do not belong together. */
#define TSCORE_C_ABI_VERSION 1

#if defined(_WIN32)
#  if defined(TSCORE_C_BUILDING)
#    define TSCORE_C_API __declspec(dllexport)
#  else
#    define TSCORE_C_API __declspec(dllimport)
#  endif
#elif defined(__GNUC__) || defined(__clang__)
#  define TSCORE_C_API __attribute__((visibility("default")))
#else
#  define TSCORE_C_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Results ---------------------------------------------------------------------------- */

typedef enum tscore_status
{
    TSCORE_OK = 0,
    /* Answers, not faults: the outputs are written as documented for each. */
    TSCORE_NO_READING = 1,         /* no complete reading: the idle pose or identity is written */
    TSCORE_NOT_FOUND = 2,          /* no such device or glove, or no connected glove */
    TSCORE_NOT_CONNECTED = 3,      /* the glove's record says it is not connected: nothing sent */
    TSCORE_SERVICE_NOT_RUNNING = 4, /* the service's time stamp is 3 s old or missing: nothing sent */
    TSCORE_NOT_SENT = 5,           /* the command could not be written to the service */
    /* Faults of the call. */
    TSCORE_NULL_ARGUMENT = 10,     /* a pointer that must not be NULL was */
    TSCORE_INVALID_HANDLE = 11,    /* destroyed, never made, or a handle of another kind */
    TSCORE_INVALID_ARGUMENT = 12,  /* a value out of its range */
    TSCORE_BUFFER_TOO_SMALL = 13,
    TSCORE_INVALID_UTF8 = 14,
    TSCORE_NOT_A_GLOVE = 15,       /* a glove operation on a device that is not a glove */
    TSCORE_IO_ERROR = 20,          /* a file could not be read or written */
    TSCORE_PARSE_ERROR = 21,       /* a text is not a stored object of the kind asked for */
    TSCORE_OUT_OF_MEMORY = 30,
    TSCORE_INTERNAL_ERROR = 31     /* the library failed; the message says how */
} tscore_status;

/* The message of the latest call on this thread that did not return TSCORE_OK, "" after one
 * that did. UTF-8; valid until the next call on this thread. Never NULL. */
TSCORE_C_API const char* tscore_last_error(void);
/* "TSCORE_OK", "TSCORE_NOT_FOUND", ...; "unknown status" for other values. Static, never NULL. */
TSCORE_C_API const char* tscore_status_name(tscore_status status);

/* ---- Version ---------------------------------------------------------------------------- */

/* TSCORE_C_ABI_VERSION of the library that is loaded. */
TSCORE_C_API int32_t tscore_abi_version(void);
/* "TSCore C++ Library v1.1.1". */
TSCORE_C_API tscore_status tscore_version(char* buffer, size_t size, size_t* needed);

/* ---- The connection service ------------------------------------------------------------- */

typedef enum tscore_service_state
{
    TSCORE_SERVICE_STOPPED = 0, /* no "Devices" segment, no readable time stamp, or one 10 s old */
    TSCORE_SERVICE_RUNNING = 1, /* time stamp less than 3 s old (the service writes it every second) */
    TSCORE_SERVICE_STALE = 2    /* segments there, time stamp 3 to 10 s old: not updating */
} tscore_service_state;

typedef struct tscore_service_status
{
    int32_t state;     /* tscore_service_state */
    int32_t has_stamp; /* 1 when a time stamp was read: stamp_age holds its age */
    int64_t stamp_age; /* seconds since the service's time stamp; negative when it is ahead */
} tscore_service_status;

/* Reads the service's time stamp now (one look at shared memory). */
TSCORE_C_API tscore_status tscore_service_status_read(tscore_service_status* out);

/* ---- Devices and gloves ----------------------------------------------------------------- */

typedef enum tscore_device_type
{
    TSCORE_DEVICE_UNKNOWN = -2,
    TSCORE_DEVICE_BETA = -1, /* development hardware */
    TSCORE_DEVICE_TESSARA = 0,
    TSCORE_DEVICE_KELVO = 2
} tscore_device_type;

typedef enum tscore_side
{
    TSCORE_SIDE_NONE = -1, /* not a glove */
    TSCORE_SIDE_LEFT = 0,
    TSCORE_SIDE_RIGHT = 1,
    TSCORE_SIDE_ANY = 2 /* as a request only: either hand */
} tscore_side;

/* A device the service announces; gloves are devices. Obtained from the functions below. */
typedef struct tscore_device tscore_device;

typedef struct tscore_device_info
{
    int32_t index;        /* the device index: its key is "device<index>" */
    int32_t type;         /* tscore_device_type */
    int32_t side;         /* TSCORE_SIDE_LEFT or _RIGHT for a glove, TSCORE_SIDE_NONE otherwise */
    int32_t connected;    /* 1 when its record says connected, read now */
    int32_t firmware;     /* main firmware version */
    int32_t sub_firmware; /* firmware sub-version: 4.7 is 4 and 7 */
    int32_t glove_index;  /* its index for tscore_glove_open, -1 when it is not a glove */
    int32_t packets_per_second;
} tscore_device_info;

/* Looks for new devices, then gives the number known. Devices are kept for the life of the
 * process in discovery order (a device the service stops announcing stays, not connected),
 * until tscore_device_list_reset. */
TSCORE_C_API tscore_status tscore_device_count(size_t* count);
/* Device number `index` (0 .. count - 1) of that list, glove or not. */
TSCORE_C_API tscore_status tscore_device_open(size_t index, tscore_device** out);
/* The number of gloves among the devices, connected or not. */
TSCORE_C_API tscore_status tscore_glove_count(size_t* count);
/* Glove number `index` (0 .. count - 1) among the gloves, connected or not. */
TSCORE_C_API tscore_status tscore_glove_open(size_t index, tscore_device** out);
/* The first connected glove of a side (TSCORE_SIDE_ANY, _LEFT or _RIGHT); TSCORE_NOT_FOUND
 * when there is none. */
TSCORE_C_API tscore_status tscore_glove_open_first(int32_t side, tscore_device** out);
/* Forgets every known device; the next look rediscovers the service's devices afresh (after a
 * service restart). Open handles stay usable. */
TSCORE_C_API tscore_status tscore_device_list_reset(void);
TSCORE_C_API tscore_status tscore_device_destroy(tscore_device* device);

TSCORE_C_API tscore_status tscore_device_get_info(tscore_device* device, tscore_device_info* out);
/* "device0", ... */
TSCORE_C_API tscore_status tscore_device_key(tscore_device* device, char* buffer, size_t size, size_t* needed);
/* The device's identity, e.g. "QX7.2-R0001"; "N\A" when it has none. */
TSCORE_C_API tscore_status tscore_device_id(tscore_device* device, char* buffer, size_t size, size_t* needed);
/* Its hardware version; "N\A" when it has none. */
TSCORE_C_API tscore_status tscore_device_hardware(tscore_device* device, char* buffer, size_t size,
                                                  size_t* needed);
/* "Tessara QX7.2-R0001", "Kelvo KV1-L0001", ... */
TSCORE_C_API tscore_status tscore_device_name(tscore_device* device, char* buffer, size_t size, size_t* needed);
/* The device's latest sensor text as the service published it (bytes, not checked as UTF-8). */
TSCORE_C_API tscore_status tscore_device_sensor_text(tscore_device* device, char* buffer, size_t size,
                                                     size_t* needed);

/* ---- Stored objects: profiles and poses ------------------------------------------------- */

/* A calibration profile for one hand, covering both glove families. */
typedef struct tscore_profile tscore_profile;
/* A hand pose: per digit the angles, positions and rotations of its joints. */
typedef struct tscore_pose tscore_pose;

/* The uncalibrated profile of a hand; is_right is 1 or 0. */
TSCORE_C_API tscore_status tscore_profile_create(int32_t is_right, tscore_profile** out);
/* From its storage text; TSCORE_PARSE_ERROR for a text that is not a stored profile. */
TSCORE_C_API tscore_status tscore_profile_from_text(const char* text, tscore_profile** out);
TSCORE_C_API tscore_status tscore_profile_load(const char* path, tscore_profile** out);
TSCORE_C_API tscore_status tscore_profile_to_text(tscore_profile* profile, char* buffer, size_t size, size_t* needed);
/* Writes the storage text and a newline, replacing the file. */
TSCORE_C_API tscore_status tscore_profile_save(tscore_profile* profile, const char* path);
TSCORE_C_API tscore_status tscore_profile_is_right(tscore_profile* profile, int32_t* is_right);
/* 1 when the two hold the same numbers (within 1e-6). */
TSCORE_C_API tscore_status tscore_profile_equals(tscore_profile* a, tscore_profile* b, int32_t* equal);
TSCORE_C_API tscore_status tscore_profile_destroy(tscore_profile* profile);

/* Shapes of a pose's arrays, in floats. Entries a pose lacks (a stored pose of fewer digits or
 * joints) read as NaN. */
#define TSCORE_POSE_ANGLES 45    /* [digit 5][joint 3][twist, flexion, spread] */
#define TSCORE_POSE_POSITIONS 60 /* [digit 5][3 joints, then the tip][x, y, z] */
#define TSCORE_POSE_ROTATIONS 80 /* [digit 5][3 joints, then the tip][x, y, z, w] */
#define TSCORE_POSE_FLEXION 5    /* per digit, 0 stretched .. 1 fully flexed */

/* The hand at rest on the default hand model of that side. */
TSCORE_C_API tscore_status tscore_pose_create(int32_t is_right, tscore_pose** out);
/* From its storage text; TSCORE_PARSE_ERROR for a text that is not a stored pose. */
TSCORE_C_API tscore_status tscore_pose_from_text(const char* text, tscore_pose** out);
TSCORE_C_API tscore_status tscore_pose_load(const char* path, tscore_pose** out);
TSCORE_C_API tscore_status tscore_pose_to_text(tscore_pose* pose, char* buffer, size_t size, size_t* needed);
TSCORE_C_API tscore_status tscore_pose_save(tscore_pose* pose, const char* path);
TSCORE_C_API tscore_status tscore_pose_is_right(tscore_pose* pose, int32_t* is_right);
TSCORE_C_API tscore_status tscore_pose_equals(tscore_pose* a, tscore_pose* b, int32_t* equal);
TSCORE_C_API tscore_status tscore_pose_destroy(tscore_pose* pose);

TSCORE_C_API tscore_status tscore_pose_angles(tscore_pose* pose, float* out, size_t count);
TSCORE_C_API tscore_status tscore_pose_positions(tscore_pose* pose, float* out, size_t count);
TSCORE_C_API tscore_status tscore_pose_rotations(tscore_pose* pose, float* out, size_t count);
/* Each digit's summed flexion mapped to 0 .. 1; clamped to that range when clamp is not 0. */
TSCORE_C_API tscore_status tscore_pose_flexion(tscore_pose* pose, int32_t clamp, float* out, size_t count);
/* The four above in one call (flexion not clamped), for bindings whose calls cost more than the
 * copies: each array may be NULL with a count of 0 to leave it out. Nothing is written unless
 * every array given is large enough. */
TSCORE_C_API tscore_status tscore_pose_arrays(tscore_pose* pose, float* angles, size_t angles_count,
                                              float* positions, size_t positions_count, float* rotations,
                                              size_t rotations_count, float* flexion, size_t flexion_count);

/* ---- OpenXR hand joints (XR_EXT_hand_tracking) ------------------------------------------ */

#define TSCORE_XR_JOINT_COUNT 26
#define TSCORE_XR_ORIENTATION_VALID 0x1u
#define TSCORE_XR_POSITION_VALID 0x2u
#define TSCORE_XR_ORIENTATION_TRACKED 0x4u
#define TSCORE_XR_POSITION_TRACKED 0x8u

/* The layout of XrPosef: a unit quaternion (x, y, z, w) and a position in metres. */
typedef struct tscore_xr_pose
{
    float orientation[4];
    float position[3];
} tscore_xr_pose;

/* The layout of XrHandJointLocationEXT. */
typedef struct tscore_xr_joint
{
    uint64_t location_flags;
    tscore_xr_pose pose;
    float radius;
} tscore_xr_joint;

/* The 26 joints of the pose, in XrHandJointEXT order, on the default hand model of the pose's
 * side; relative to the wrist, or placed by `wrist` when it is not NULL. complete says whether
 * the pose came from a complete reading: only then do the joints get all four flags and
 * *is_active 1. A pose that is short or not finite gives no flags. joints needs
 * TSCORE_XR_JOINT_COUNT entries; is_active may be NULL. */
TSCORE_C_API tscore_status tscore_pose_openxr(tscore_pose* pose, int32_t complete, const tscore_xr_pose* wrist,
                                              tscore_xr_joint* joints, size_t count, int32_t* is_active);
/* The wrist's pose in a y-up OpenXR space from a glove's orientation (x, y, z, w) and a
 * position in metres (NULL: the origin). TSCORE_INVALID_ARGUMENT (identity written) for a zero
 * or non-finite quaternion. */
TSCORE_C_API tscore_status tscore_xr_wrist_pose(const float* imu_rotation, const float* position,
                                                tscore_xr_pose* out);
/* "XR_HAND_JOINT_PALM_EXT", ...; "" outside 0 .. 25. Static, never NULL. */
TSCORE_C_API const char* tscore_xr_joint_name(int32_t joint);

/* ---- A glove's readings ----------------------------------------------------------------- */

/* The wearer's hand pose from the glove's latest reading through the glove's part of the
 * profile (NULL: the uncalibrated profile of the glove's side), on the default hand model of
 * the glove's side, into `out` (reused: no allocation once it has its size). TSCORE_NO_READING
 * writes the idle pose. Each call reads shared memory afresh; it does not judge whether the
 * service is updating or the glove connected (a tscore_reader does). */
TSCORE_C_API tscore_status tscore_glove_hand_pose(tscore_device* glove, tscore_profile* profile, tscore_pose* out);
/* The hand's orientation (x, y, z, w) into 4 floats; identity and TSCORE_NO_READING without
 * a reading. */
TSCORE_C_API tscore_status tscore_glove_imu_rotation(tscore_device* glove, float* out, size_t count);

/* ---- Haptics ---------------------------------------------------------------------------- */

/* Thumper arguments. On a Tessara an effect code (a one-shot; TSCORE_THUMPER_KEEP and
 * TSCORE_THUMPER_NONE play none); on a Kelvo a magnitude 0 .. 100 (TSCORE_THUMPER_KEEP: the
 * last one sent). */
#define TSCORE_THUMPER_KEEP (-1)
#define TSCORE_THUMPER_TAP 1
#define TSCORE_THUMPER_DOUBLE_TAP 2
#define TSCORE_THUMPER_KNOCK 3
#define TSCORE_THUMPER_PULSE 4
#define TSCORE_THUMPER_LONG_PULSE 5
#define TSCORE_THUMPER_RUMBLE 6
#define TSCORE_THUMPER_NONE 126

/* Force feedback and vibration levels, 0 .. 100 percent per digit, thumb first, and a thumper
 * argument. ffb or buzz NULL keeps the levels last sent. A Tessara takes 5 levels of each; a
 * Kelvo takes force on 4 digits (thumb to ring) and vibration on 2 (thumb, index), given as 4
 * and 2 levels or as 5 with the rest 0. Sent only while the service is running and the glove
 * connected (TSCORE_SERVICE_NOT_RUNNING, TSCORE_NOT_CONNECTED otherwise); TSCORE_OK means the
 * service holds the command. The service keeps the latest command only: one replaced within a
 * few milliseconds may never reach the glove. */
TSCORE_C_API tscore_status tscore_glove_send_haptics(tscore_device* glove, const int32_t* ffb, size_t ffb_count,
                                                     const int32_t* buzz, size_t buzz_count, int32_t thumper);
/* Force feedback, vibration and thumper off; written whether the glove is connected or not,
 * while the service runs. */
TSCORE_C_API tscore_status tscore_glove_stop_haptics(tscore_device* glove);

/* ---- Calibration ------------------------------------------------------------------------ */

#define TSCORE_CALIBRATION_VALUES 15 /* [digit 5][x, y, z], in the glove's calibration units */

/* Starts a new calibration range. Every complete reading of the glove widens it, and so does
 * tscore_glove_update_calibration_range. */
TSCORE_C_API tscore_status tscore_glove_reset_calibration(tscore_device* glove);
/* Widens the range by the latest reading; TSCORE_NO_READING without one. */
TSCORE_C_API tscore_status tscore_glove_update_calibration_range(tscore_device* glove);
/* The smallest and largest values seen since the reset (NaN before the first reset). */
TSCORE_C_API tscore_status tscore_glove_calibration_range(tscore_device* glove, float* min, size_t min_count,
                                                          float* max, size_t max_count);
/* Writes the range into the glove's part of the profile. A finger whose range has (nearly) no
 * width, as when it did not move, keeps its uncalibrated mapping. */
TSCORE_C_API tscore_status tscore_glove_apply_calibration(tscore_device* glove, tscore_profile* profile);
/* tscore_glove_update_calibration_range, then tscore_glove_apply_calibration. */
TSCORE_C_API tscore_status tscore_glove_update_calibration(tscore_device* glove, tscore_profile* profile);

/* ---- The reader: frame-rate reads with the glove's state -------------------------------- */

typedef enum tscore_glove_state
{
    TSCORE_GLOVE_LIVE = 0,         /* service running, glove connected, reading complete and valid */
    TSCORE_GLOVE_STALE = 1,        /* the service is not updating: the last reading */
    TSCORE_GLOVE_STOPPED = 2,      /* no service */
    TSCORE_GLOVE_DISCONNECTED = 3, /* the glove's record says not connected: its last reading */
    TSCORE_GLOVE_INCOMPLETE = 4,   /* no complete reading */
    TSCORE_GLOVE_INVALID = 5       /* the profile maps the reading to numbers that are not finite */
} tscore_glove_state;

typedef struct tscore_reading
{
    int32_t state;     /* tscore_glove_state: only TSCORE_GLOVE_LIVE is a current pose */
    int32_t is_new;    /* 1 when the sensor text differs from the one the previous read gave */
    int32_t connected; /* the glove's record says connected */
    int32_t service;   /* tscore_service_state */
    int32_t has_stamp;
    int32_t reserved;
    int64_t stamp_age; /* seconds; see tscore_service_status */
    uint64_t sequence; /* counts the distinct sensor texts this reader has read of the device */
} tscore_reading;

/* Reads the service at frame rate and says with every pose whether it is current. It keeps a
 * device list of its own, which follows the service: a device the service stops announcing
 * is dropped, a restarted service is discovered anew. Devices are addressed by their position
 * in that list (0 .. count - 1), which stays the same between two tscore_reader_update or
 * tscore_reader_refresh calls. Use each reader from one thread at a time. */
typedef struct tscore_reader tscore_reader;

TSCORE_C_API tscore_status tscore_reader_create(tscore_reader** out);
TSCORE_C_API tscore_status tscore_reader_destroy(tscore_reader* reader);
/* Call once per frame: checks the service's time stamp and device records when a check is
 * due (every 100 ms). *changed (may be NULL) is 1 when the device list changed. */
TSCORE_C_API tscore_status tscore_reader_update(tscore_reader* reader, int32_t* changed);
/* The same check now. */
TSCORE_C_API tscore_status tscore_reader_refresh(tscore_reader* reader, int32_t* changed);
/* Counts the changes of the device list: per-position state kept by a caller starts over
 * when it moves. */
TSCORE_C_API tscore_status tscore_reader_generation(tscore_reader* reader, uint64_t* generation);
/* The service's state as of the latest check. */
TSCORE_C_API tscore_status tscore_reader_service_status(tscore_reader* reader, tscore_service_status* out);
TSCORE_C_API tscore_status tscore_reader_device_count(tscore_reader* reader, size_t* count);
/* What the device's record said at the latest check (glove_index counts the reader's gloves). */
TSCORE_C_API tscore_status tscore_reader_device_info(tscore_reader* reader, size_t position, tscore_device_info* out);
/* A handle on the reader's device object, for haptics and calibration (its calibration range
 * is the one the reader's poses widen). */
TSCORE_C_API tscore_status tscore_reader_device(tscore_reader* reader, size_t position, tscore_device** out);
/* The position of the first connected glove of a side (TSCORE_SIDE_ANY, _LEFT, _RIGHT). */
TSCORE_C_API tscore_status tscore_reader_find_glove(tscore_reader* reader, int32_t side, size_t* position);
/* The glove's pose from its latest sensor text (as tscore_glove_hand_pose), and into `reading`
 * (may be NULL) whether it is current. TSCORE_OK for a complete reading, whatever the state;
 * TSCORE_NO_READING writes the idle pose; TSCORE_NOT_FOUND for a position out of range,
 * TSCORE_NOT_A_GLOVE for a device that is not a glove. */
TSCORE_C_API tscore_status tscore_reader_hand_pose(tscore_reader* reader, size_t position, tscore_profile* profile,
                                                   tscore_pose* out, tscore_reading* reading);
/* The orientation in the glove's latest sensor text, as tscore_glove_imu_rotation. */
TSCORE_C_API tscore_status tscore_reader_imu_rotation(tscore_reader* reader, size_t position, float* out,
                                                      size_t count);
/* The device's latest sensor text (bytes, not checked as UTF-8); TSCORE_NO_READING and ""
 * when there is none. */
TSCORE_C_API tscore_status tscore_reader_sensor_text(tscore_reader* reader, size_t position, char* buffer,
                                                     size_t size, size_t* needed);

#ifdef __cplusplus
}
#endif

/* clang-format on */
#endif
