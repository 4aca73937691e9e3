// process: runs a program the test did not link, with a deadline, so that a
// test waiting on it never hangs. Header-only, for tests.
#pragma once

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// Starts argv in folder dir (empty: this one) with env ("NAME=value", or
// "NAME=" to remove NAME) added to this process's environment, standard input
// from /dev/null, standard output and error into the file log (empty:
// /dev/null). The child's id, or -1.
inline pid_t StartProcess(const std::vector<std::string> &argv, const std::vector<std::string> &env,
                          const std::string &dir = "", const std::string &log = "") {
    fflush(nullptr);
    pid_t pid = fork();
    if (pid != 0) return pid;
    for (const std::string &e : env) {
        size_t eq = e.find('=');
        std::string name = e.substr(0, eq), value = e.substr(eq + 1);
        if (value.empty())
            unsetenv(name.c_str());
        else
            setenv(name.c_str(), value.c_str(), 1);
    }
    int in = open("/dev/null", O_RDONLY);
    int out = open(log.empty() ? "/dev/null" : log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, 0), dup2(out, 1), dup2(out, 2);
    if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(126);
    std::vector<char *> args;
    for (const std::string &a : argv) args.push_back((char *)a.c_str());
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

// Waits up to seconds for pid to end: its exit status, 128 + the signal that
// ended it, or -1 when it was still running (it is killed then).
inline int WaitProcess(pid_t pid, double seconds) {
    int status = 0;
    for (int i = 0; i < seconds * 100; i++) {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

// Polls every 50 ms until done() or seconds have passed; done()'s last answer.
template <typename F> inline bool WaitUntil(double seconds, F done) {
    for (int i = 0; i < seconds * 20; i++) {
        if (done()) return true;
        usleep(50000);
    }
    return done();
}

// StartProcess and WaitProcess in one.
inline int RunProcess(const std::vector<std::string> &argv, const std::vector<std::string> &env,
                      const std::string &dir, const std::string &log, double seconds) {
    pid_t pid = StartProcess(argv, env, dir, log);
    return pid < 0 ? -1 : WaitProcess(pid, seconds);
}

// The whole of a file (or of a command's output, when popen is asked), or "".
inline std::string ReadAll(FILE *f) {
    std::string s;
    char buf[65536];
    for (size_t n; f && (n = fread(buf, 1, sizeof buf, f)) > 0;) s.append(buf, n);
    return s;
}
inline std::string ReadFile(const std::string &path) {
    FILE *f = fopen(path.c_str(), "rb");
    std::string s = ReadAll(f);
    if (f) fclose(f);
    return s;
}
inline std::string ReadCommand(const std::string &command) {
    FILE *f = popen(command.c_str(), "r");
    std::string s = ReadAll(f);
    if (f) pclose(f);
    return s;
}

// A new empty folder under /tmp, removed with everything in it when the
// value goes.
struct TempFolder {
    std::string path;
    TempFolder() {
        char name[] = "/tmp/gf-test-XXXXXX";
        path = mkdtemp(name) ? name : "";
    }
    ~TempFolder() {
        if (!path.empty()) RunProcess({"rm", "-rf", path}, {}, "", "", 60);
    }
};
