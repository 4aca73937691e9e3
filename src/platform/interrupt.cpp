// interrupt: POSIX signal handling; the C library's signal() elsewhere.
#include "platform/interrupt.h"

#include <csignal>
#include <cstdlib>

#ifndef _WIN32
#include <pthread.h>
#include <unistd.h>
#endif

static volatile sig_atomic_t caught; // the signal's number, 0 while none
static void (*cleanUp)(void);        // CatchStopSignals' beforeEnding

// Runs the clean-up once: it may itself end up here.
static void CleanUpOnce(void) {
    void (*f)(void) = cleanUp;
    cleanUp = nullptr;
    if (f) f();
}

#ifndef _WIN32
static pthread_t mainThread; // the thread whose blocking calls must be cut short

static void NoteSignal(int sig) {
    if (!caught) caught = sig;
    // Delivered to another thread, the signal would leave the main thread
    // waiting in its open or read: pass it on (async-signal-safe).
    if (!pthread_equal(pthread_self(), mainThread)) pthread_kill(mainThread, sig);
}

void CatchStopSignals(void (*beforeEnding)(void)) {
    cleanUp = beforeEnding;
    mainThread = pthread_self();
    struct sigaction sa = {};
    sa.sa_handler = NoteSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0; // no SA_RESTART: a blocked open or read returns EINTR
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

void EndByStopSignal(void) {
    CleanUpOnce();
    int sig = caught ? (int)caught : SIGTERM;
    struct sigaction sa = {};
    sa.sa_handler = SIG_DFL;
    sigemptyset(&sa.sa_mask);
    sigaction(sig, &sa, nullptr);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    raise(sig);
    _exit(128 + sig); // only if the signal could not end the process
}
#else
static void NoteSignal(int sig) {
    if (!caught) caught = sig;
    signal(sig, NoteSignal); // the C library resets the handler on every call
}

void CatchStopSignals(void (*beforeEnding)(void)) {
    cleanUp = beforeEnding;
    signal(SIGINT, NoteSignal);
    signal(SIGTERM, NoteSignal);
}

void EndByStopSignal(void) {
    CleanUpOnce();
    int sig = caught ? (int)caught : SIGTERM;
    signal(sig, SIG_DFL);
    raise(sig);
    _Exit(128 + sig);
}
#endif

int CaughtStopSignal(void) {
    return caught;
}
