#define _POSIX_C_SOURCE 200809L
#include "Harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#ifndef TESSLINK_SIM_PATH
#  define TESSLINK_SIM_PATH "tesslink-sim"
#endif

int test_failures = 0;

void test_check(int ok, const char* what, const char* file, int line)
{
    if (ok)
        return;
    ++test_failures;
    fprintf(stderr, "%s:%d: check failed: %s (last error: %s)\n", file, line, what, tscore_last_error());
}

int test_contains(const char* haystack, const char* needle) { return strstr(haystack, needle) != NULL; }

void test_status(tscore_status got, tscore_status expected, const char* call, const char* file, int line)
{
    const char* message = tscore_last_error();
    if (got != expected)
    {
        ++test_failures;
        fprintf(stderr, "%s:%d: %s gave %s, expected %s (%s)\n", file, line, call, tscore_status_name(got),
                tscore_status_name(expected), message);
        return;
    }
    /* A failure names its function ("tscore_x: what"), a success leaves no message. */
    if ((expected == TSCORE_OK) != (message[0] == '\0') ||
        (expected != TSCORE_OK && strncmp(message, call, (size_t)(strchr(call, '(') - call)) != 0))
    {
        ++test_failures;
        fprintf(stderr, "%s:%d: %s: unexpected message \"%s\"\n", file, line, call, message);
    }
}

void sleep_ms(int ms)
{
    struct timespec t;
    t.tv_sec = ms / 1000;
    t.tv_nsec = (long)(ms % 1000) * 1000000L;
    nanosleep(&t, NULL);
}

void remove_segments(void)
{
    shm_unlink("/Devices");
    shm_unlink("/Data");
    shm_unlink("/Haptics");
}

int sim_start(sim_process* sim, const char* const* args)
{
    int in[2];
    int out[2];
    char* argv[32];
    size_t n = 0;
    memset(sim, 0, sizeof *sim);
    sim->pid = -1;
    signal(SIGPIPE, SIG_IGN);
    if (pipe(in) != 0 || pipe(out) != 0)
        return 0;
    argv[n++] = (char*)TESSLINK_SIM_PATH;
    while (args[n - 1] != NULL && n < 31)
    {
        argv[n] = (char*)args[n - 1];
        ++n;
    }
    argv[n] = NULL;
    sim->pid = fork();
    if (sim->pid == 0)
    {
        dup2(in[0], 0);
        dup2(out[1], 1);
        close(in[1]);
        close(out[0]);
        execv(TESSLINK_SIM_PATH, argv);
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    sim->to_sim = in[1];
    sim->from_sim = out[0];
    if (sim->pid > 0 && sim_wait_line(sim, "ready", NULL, 0, 10000))
        return 1;
    fprintf(stderr, "%s did not start (not built, or another service owns the segments)\n", TESSLINK_SIM_PATH);
    return 0;
}

/* The next complete line from the simulator, or 0 after timeout_ms. */
static int next_line(sim_process* sim, char* line, size_t size, int timeout_ms)
{
    for (;;)
    {
        char* eol = memchr(sim->pending, '\n', sim->used);
        struct pollfd fd;
        ssize_t got;
        if (eol != NULL)
        {
            size_t length = (size_t)(eol - sim->pending);
            size_t copied = length < size - 1 ? length : size - 1;
            memcpy(line, sim->pending, copied);
            line[copied] = '\0';
            memmove(sim->pending, eol + 1, sim->used - length - 1);
            sim->used -= length + 1;
            return 1;
        }
        fd.fd = sim->from_sim;
        fd.events = POLLIN;
        if (sim->used == sizeof sim->pending || poll(&fd, 1, timeout_ms) <= 0)
            return 0;
        got = read(sim->from_sim, sim->pending + sim->used, sizeof sim->pending - sim->used);
        if (got <= 0)
            return 0;
        sim->used += (size_t)got;
    }
}

int sim_wait_line(sim_process* sim, const char* prefix, char* line, size_t size, int timeout_ms)
{
    char buffer[1024];
    while (next_line(sim, buffer, sizeof buffer, timeout_ms))
    {
        if (strncmp(buffer, prefix, strlen(prefix)) != 0)
            continue;
        if (line != NULL && size > 0)
        {
            strncpy(line, buffer, size - 1);
            line[size - 1] = '\0';
        }
        return 1;
    }
    return 0;
}

int sim_control(sim_process* sim, const char* command)
{
    const size_t length = strlen(command);
    char reply[256];
    if (write(sim->to_sim, command, length) != (ssize_t)length || write(sim->to_sim, "\n", 1) != 1)
        return 0;
    return sim_wait_line(sim, "ok", reply, sizeof reply, 10000);
}

void sim_stop(sim_process* sim)
{
    int status = 0;
    if (sim->pid > 0)
    {
        kill(sim->pid, SIGTERM);
        waitpid(sim->pid, &status, 0);
        close(sim->to_sim);
        close(sim->from_sim);
    }
    sim->pid = -1;
    remove_segments();
}
