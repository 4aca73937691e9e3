// encoder on Windows: CreateProcess with an anonymous pipe as the helper's
// standard input.
#include "platform/encoder.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

int FindProgram(const char *program) {
    char found[MAX_PATH];
    // SearchPath looks in the program's folder, the current folder, the
    // system folders and PATH, as CreateProcess itself does.
    DWORD n = SearchPathA(nullptr, program, ".exe", MAX_PATH, found, nullptr);
    return n > 0 && n < MAX_PATH;
}

// Appends arg to line quoted the way the C runtime splits a command line:
// backslashes double only before a quote, and quotes are escaped.
static void AppendQuoted(std::string *line, const char *arg) {
    if (!line->empty()) *line += ' ';
    if (arg[0] && !strpbrk(arg, " \t\"")) {
        *line += arg;
        return;
    }
    *line += '"';
    for (const char *p = arg;; p++) {
        size_t slashes = 0;
        while (*p == '\\') p++, slashes++;
        if (!*p) {
            line->append(slashes * 2, '\\'); // the closing quote follows
            break;
        }
        if (*p == '"') {
            line->append(slashes * 2 + 1, '\\');
        } else {
            line->append(slashes, '\\');
        }
        *line += *p;
    }
    *line += '"';
}

static void PrintError(const char *what, const char *name) {
    char text[256] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   GetLastError(), 0, text, sizeof text, nullptr);
    size_t n = strlen(text);
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == ' ')) n--;
    text[n] = 0;
    fprintf(stderr, "glimmerfall-capture: %s%s: %s\n", what, name, text);
}

int StartEncoder(Encoder *encoder, char *const argv[]) {
    encoder->pid = 0;
    encoder->input = -1;
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 1 << 20)) {
        PrintError("cannot make a pipe", "");
        return 0;
    }
    // Only the read end goes to the helper: if it inherited the write end
    // too, it would never see the end of its input.
    SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);
    std::string line;
    for (int i = 0; argv[i]; i++) AppendQuoted(&line, argv[i]);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = readEnd;
    si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi = {};
    fflush(nullptr);
    // A process group of its own: the console's Ctrl+C reaches only the
    // capture tool, which then stops the helper itself.
    BOOL started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE,
                                  CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &si, &pi);
    CloseHandle(readEnd);
    if (!started) {
        PrintError("cannot start ", argv[0]);
        CloseHandle(writeEnd);
        return 0;
    }
    CloseHandle(pi.hThread);
    encoder->pid = (intptr_t)pi.hProcess;
    encoder->input = (intptr_t)writeEnd;
    return 1;
}

int WriteEncoder(Encoder *encoder, const void *bytes, size_t size) {
    const char *p = (const char *)bytes;
    while (size > 0 && encoder->input >= 0) {
        DWORD chunk = size > (1u << 30) ? (1u << 30) : (DWORD)size, n = 0;
        // A helper that has gone leaves a broken pipe: the write fails.
        if (!WriteFile((HANDLE)encoder->input, p, chunk, &n, nullptr) || n == 0) return 0;
        p += n;
        size -= n;
    }
    return encoder->input >= 0;
}

// Waits for the helper up to milliseconds; its exit status, or -1 while it runs.
static int Reap(Encoder *encoder, DWORD milliseconds) {
    HANDLE process = (HANDLE)encoder->pid;
    if (WaitForSingleObject(process, milliseconds) != WAIT_OBJECT_0) return -1;
    DWORD status = 0;
    GetExitCodeProcess(process, &status);
    CloseHandle(process);
    encoder->pid = 0;
    return (int)status;
}

static void CloseInput(Encoder *encoder) {
    if (encoder->input >= 0) CloseHandle((HANDLE)encoder->input);
    encoder->input = -1;
}

int FinishEncoder(Encoder *encoder) {
    CloseInput(encoder);
    return encoder->pid > 0 ? Reap(encoder, INFINITE) : -1;
}

void KillEncoder(Encoder *encoder) {
    CloseInput(encoder);
    if (encoder->pid <= 0) return;
    // Up to a second to leave on its own (its input has ended), then no choice.
    if (Reap(encoder, 1000) >= 0) return;
    TerminateProcess((HANDLE)encoder->pid, 1);
    Reap(encoder, INFINITE);
}
