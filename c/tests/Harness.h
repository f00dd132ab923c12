/* A small test harness in C: checks that count failures, and tesslink-sim as a child process
 * whose output lines the tests wait for and whose stdin takes control commands. */
#ifndef TSCORE_C_TEST_HARNESS_H
#define TSCORE_C_TEST_HARNESS_H

#include <stddef.h>
#include <sys/types.h>

#include <tscore_c.h>

extern int test_failures;

void test_check(int ok, const char* what, const char* file, int line);
/* Checks a status and, for a failure, that the thread's message names the function and is
 * not empty. */
void test_status(tscore_status got, tscore_status expected, const char* call, const char* file, int line);

#define CHECK(cond) test_check((cond) != 0, #cond, __FILE__, __LINE__)
#define CHECK_STATUS(call, expected) test_status((call), (expected), #call, __FILE__, __LINE__)
/* The message of the last call contains text. */
#define CHECK_MESSAGE(text)                                                                                            \
  test_check(test_contains(tscore_last_error(), (text)), "message has: " text, __FILE__, __LINE__)
int test_contains(const char* haystack, const char* needle);

typedef struct sim_process
{
    pid_t pid;
    int to_sim;
    int from_sim;
    char pending[8192]; /* output not yet split into lines */
    size_t used;
} sim_process;

/* Starts tesslink-sim with a NULL-terminated argument list and waits for "ready". */
int sim_start(sim_process* sim, const char* const* args);
/* Sends a control command and waits for "ok". */
int sim_control(sim_process* sim, const char* command);
/* Waits up to timeout_ms for the next output line that begins with prefix; copies it. */
int sim_wait_line(sim_process* sim, const char* prefix, char* line, size_t size, int timeout_ms);
/* Stops it (SIGTERM) and removes any segment left behind. */
void sim_stop(sim_process* sim);
/* Removes the service's segments, so that every group starts without a service. */
void remove_segments(void);
void sleep_ms(int ms);

#endif
