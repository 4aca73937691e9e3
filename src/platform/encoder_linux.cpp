// encoder on Linux: fork, a pipe, and careful waiting.
#include "platform/encoder.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

int FindProgram(const char *program) {
    if (strchr(program, '/')) return access(program, X_OK) == 0;
    const char *path = getenv("PATH");
    if (!path) path = "/usr/bin:/bin";
    for (const char *p = path;; p++) {
        const char *end = strchr(p, ':');
        std::string dir(p, end ? (size_t)(end - p) : strlen(p));
        // An empty entry means the current directory.
        std::string file = (dir.empty() ? std::string(".") : dir) + "/" + program;
        if (access(file.c_str(), X_OK) == 0) return 1;
        if (!end) return 0;
        p = end;
    }
}

int StartEncoder(Encoder *encoder, char *const argv[]) {
    encoder->pid = 0;
    encoder->input = -1;
    // A helper that dies leaves a broken pipe: the write reports it instead
    // of the signal ending the capture tool.
    signal(SIGPIPE, SIG_IGN);
    int fds[2];
    if (pipe(fds) != 0) {
        fprintf(stderr, "glimmerfall-capture: cannot make a pipe: %s\n", strerror(errno));
        return 0;
    }
    fflush(nullptr); // Nothing buffered is written twice by the child
    pid_t pid = fork();
    if (pid < 0) {
        fprintf(stderr, "glimmerfall-capture: cannot start %s: %s\n", argv[0], strerror(errno));
        close(fds[0]);
        close(fds[1]);
        return 0;
    }
    if (pid == 0) {
        setpgid(0, 0);
        signal(SIGPIPE, SIG_DFL);
        dup2(fds[0], STDIN_FILENO);
        close(fds[0]);
        close(fds[1]);
        execvp(argv[0], argv);
        _exit(127);
    }
    close(fds[0]);
    encoder->pid = pid;
    encoder->input = fds[1];
    return 1;
}

int WriteEncoder(Encoder *encoder, const void *bytes, size_t size) {
    const char *p = (const char *)bytes;
    while (size > 0 && encoder->input >= 0) {
        ssize_t n = write((int)encoder->input, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return 0; // EPIPE: the helper is gone
        p += n;
        size -= (size_t)n;
    }
    return encoder->input >= 0;
}

// Reaps the helper; its exit status, or 128 + the signal that ended it.
static int Reap(Encoder *encoder) {
    int status = 0;
    while (waitpid((pid_t)encoder->pid, &status, 0) < 0 && errno == EINTR) {
    }
    encoder->pid = 0;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

int FinishEncoder(Encoder *encoder) {
    if (encoder->input >= 0) close((int)encoder->input);
    encoder->input = -1;
    return encoder->pid > 0 ? Reap(encoder) : -1;
}

void KillEncoder(Encoder *encoder) {
    if (encoder->input >= 0) close((int)encoder->input);
    encoder->input = -1;
    if (encoder->pid <= 0) return;
    pid_t pid = (pid_t)encoder->pid;
    kill(pid, SIGTERM);
    // Up to a second to leave on its own, then no choice.
    for (int i = 0; i < 100; i++) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            encoder->pid = 0;
            return;
        }
        usleep(10000);
    }
    kill(pid, SIGKILL);
    Reap(encoder);
}
