/* Reads the first connected glove's hand pose, says whether it is current, and gives the
 * index finger a short buzz. Build: cc glove_pose.c $(pkg-config --cflags --libs tscore_c) */
#define _POSIX_C_SOURCE 200809L
#include <stdio.h>
#include <time.h>
#include <tscore_c.h>

int main(void)
{
    static const char* const fingers[] = {"thumb", "index", "middle", "ring", "pinky"};
    const int32_t buzz[5] = {0, 80, 0, 0, 0};
    const struct timespec hold = {0, 500000000L}; /* the service keeps only the latest command */
    tscore_device* glove = NULL;
    tscore_reader* reader = NULL;
    tscore_pose* pose = NULL;
    tscore_device_info info;
    tscore_reading reading;
    float flexion[TSCORE_POSE_FLEXION];
    size_t position = 0;
    int i;

    if (tscore_reader_create(&reader) != TSCORE_OK ||
        tscore_reader_find_glove(reader, TSCORE_SIDE_ANY, &position) != TSCORE_OK)
    {
        printf("No glove: %s\n", tscore_last_error());
        tscore_reader_destroy(reader);
        return 0;
    }
    if (tscore_reader_device(reader, position, &glove) != TSCORE_OK ||
        tscore_reader_device_info(reader, position, &info) != TSCORE_OK ||
        tscore_pose_create(info.side == TSCORE_SIDE_RIGHT, &pose) != TSCORE_OK)
    {
        printf("Error: %s\n", tscore_last_error());
        return 1;
    }
    /* Once per frame: tscore_reader_update, then the pose. NULL profile: the uncalibrated one. */
    if (tscore_reader_update(reader, NULL) == TSCORE_OK &&
        tscore_reader_hand_pose(reader, position, NULL, pose, &reading) == TSCORE_OK &&
        reading.state == TSCORE_GLOVE_LIVE && tscore_pose_flexion(pose, 0, flexion, 5) == TSCORE_OK)
    {
        for (i = 0; i < 5; ++i)
            printf("%s %.2f%s", fingers[i], flexion[i], i < 4 ? ", " : "\n");
    }
    else
        printf("No current pose (state %d): %s\n", (int)reading.state, tscore_last_error());

    if (tscore_glove_send_haptics(glove, NULL, 0, buzz, 5, TSCORE_THUMPER_KEEP) == TSCORE_OK)
    {
        nanosleep(&hold, NULL);
        tscore_glove_stop_haptics(glove);
        printf("Buzzed the index finger\n");
    }
    else
        printf("Not sent: %s\n", tscore_last_error());

    tscore_pose_destroy(pose);
    tscore_reader_destroy(reader);
    tscore_device_destroy(glove);
    return 0;
}
