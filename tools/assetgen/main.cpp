// assetgen DIR           writes every data file of the show into DIR
// assetgen --report DIR  prints the choreography report for DIR/final.mp3
// assetgen --icon FILE   draws the desktop icon into the PNG FILE
#include "assetgen/assetgen.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <ftw.h>
#include <stdio.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

Rng NewRng(uint64_t seed) {
    // splitmix64 spreads neighbouring seeds apart; the xorshift state must not be 0.
    uint64_t z = seed + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return Rng{z ? z : 0x2545F4914F6CDD1Dull};
}

uint32_t RngNext(Rng *rng) {
    uint64_t x = rng->state;
    x ^= x >> 12;
    x ^= x << 25;
    x ^= x >> 27;
    rng->state = x;
    return (uint32_t)((x * 0x2545F4914F6CDD1Dull) >> 32);
}

// 24 bits fill a float's mantissa exactly, so the result never rounds up to 1.
float RngFloat(Rng *rng) {
    return (float)(RngNext(rng) >> 8) * (1.0f / 16777216.0f);
}

float RngRange(Rng *rng, float lo, float hi) {
    return lo + (hi - lo) * RngFloat(rng);
}

// The folder being filled and the one it will become, for the messages: a
// file is named where it will be, not in the temporary folder.
static std::string shownDir;
// The files written into the temporary folder so far, by name, so that an
// interrupt can remove them with nothing but async-signal-safe calls.
#define MAX_DATA_FILES 64
static char writtenPaths[MAX_DATA_FILES][512];
static volatile int writtenCount;
static char workDir[512]; // the temporary folder, "" when there is none

int WriteDataFile(const char *dir, const char *name, const void *bytes, size_t size) {
    std::string path = std::string(dir) + "/" + name;
    std::string shown = (shownDir.empty() ? std::string(dir) : shownDir) + "/" + name;
    if (writtenCount < MAX_DATA_FILES && path.size() < sizeof writtenPaths[0]) {
        std::strcpy(writtenPaths[writtenCount], path.c_str());
        writtenCount = writtenCount + 1;
    }
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "assetgen: cannot write %s: %s\n", shown.c_str(),
                     std::strerror(errno));
        return 0;
    }
    // Every step that can fail is checked: the write, the flush of what the
    // C library buffered (where a full disk usually shows), the sync that
    // makes it durable before the folder is swapped in, and the close.
    errno = 0;
    int ok = std::fwrite(bytes, 1, size, f) == size && std::fflush(f) == 0 && fsync(fileno(f)) == 0;
    int problem = errno;
    if (std::fclose(f) != 0 && ok) ok = 0, problem = errno;
    if (!ok) {
        std::fprintf(stderr, "assetgen: cannot write %s: %s\n", shown.c_str(),
                     std::strerror(problem ? problem : EIO));
        return 0;
    }
    return 1;
}

// Removes the temporary folder and what was written into it.
static void RemoveWork(void) {
    for (int i = 0; i < writtenCount; i++) unlink(writtenPaths[i]);
    if (workDir[0]) rmdir(workDir);
}

// Ctrl+C or a termination: the temporary folder goes, then the process ends
// by the signal. unlink, rmdir, signal and raise are async-signal-safe.
static void RemoveWorkAndEnd(int sig) {
    RemoveWork();
    signal(sig, SIG_DFL);
    raise(sig);
}

static int RemoveEntry(const char *path, const struct stat *, int, struct FTW *) {
    return remove(path);
}

// Removes path and everything under it, links not followed; 1 when all went.
static int RemoveTree(const char *path) {
    return nftw(path, RemoveEntry, 16, FTW_DEPTH | FTW_PHYS) == 0;
}

// Generates every file into a new folder beside dir and moves it into place
// when all is written: dir is then either complete and current, or as it was.
static int GenerateDataFolder(const char *dir) {
    std::string target = dir;
    while (target.size() > 1 && target.back() == '/') target.pop_back();
    size_t slash = target.rfind('/');
    std::string parent = slash == std::string::npos ? "."
                         : slash == 0               ? "/"
                                                    : target.substr(0, slash);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    struct stat st;
    int exists = stat(target.c_str(), &st) == 0;
    if (exists && !S_ISDIR(st.st_mode)) {
        std::fprintf(stderr, "assetgen: %s is not a folder\n", target.c_str());
        return 0;
    }
    std::string work = parent + "/." + base + ".new-XXXXXX";
    if (work.size() >= sizeof workDir || !mkdtemp(work.data())) {
        std::fprintf(stderr, "assetgen: cannot make a folder beside %s: %s\n", target.c_str(),
                     std::strerror(errno));
        return 0;
    }
    std::strcpy(workDir, work.c_str());
    signal(SIGINT, RemoveWorkAndEnd);
    signal(SIGTERM, RemoveWorkAndEnd);
    shownDir = target;
    int ok = GenerateScenes(workDir) && GeneratePictures(workDir) && GenerateMusic(workDir);
    if (ok && chmod(workDir, 0755) != 0) { // mkdtemp made it private
        std::fprintf(stderr, "assetgen: cannot open up %s: %s\n", workDir, std::strerror(errno));
        ok = 0;
    }
    if (ok && !exists && rename(workDir, target.c_str()) != 0) {
        std::fprintf(stderr, "assetgen: cannot move the new files into %s: %s\n", target.c_str(),
                     std::strerror(errno));
        ok = 0;
    } else if (ok && exists) {
        // One step swaps the two folders, so dir is never missing; the old
        // one, now under the temporary name, is removed after.
        int swapped = renameat2(AT_FDCWD, workDir, AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0;
        std::string old = workDir;
        if (!swapped && errno == EINVAL) {
            // A file system without the swap: two renames, dir missing between them.
            old = parent + "/." + base + ".old-" + (workDir + std::strlen(workDir) - 6);
            swapped = rename(target.c_str(), old.c_str()) == 0;
            if (swapped && rename(workDir, target.c_str()) != 0) {
                rename(old.c_str(), target.c_str()); // the old folder back in place
                swapped = 0;
            }
        }
        if (!swapped) {
            std::fprintf(stderr, "assetgen: cannot swap the new files into %s: %s\n",
                         target.c_str(), std::strerror(errno));
            ok = 0;
        } else {
            if (!RemoveTree(old.c_str()))
                std::fprintf(stderr, "assetgen: %s is current; the old files stay in %s\n",
                             target.c_str(), old.c_str());
            workDir[0] = 0;
            writtenCount = 0;
        }
    } else if (ok) {
        workDir[0] = 0;
        writtenCount = 0;
    }
    if (!ok) RemoveWork();
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    return ok;
}

int main(int argc, char **argv) {
    if (argc == 3 && std::strcmp(argv[1], "--report") == 0)
        return PrintChoreographyReport(argv[2]) ? 0 : 1;
    if (argc == 3 && std::strcmp(argv[1], "--icon") == 0) return WriteIcon(argv[2]) ? 0 : 1;
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr,
                     "usage: assetgen DIR | assetgen --report DIR | assetgen --icon FILE\n");
        return 2;
    }
    return GenerateDataFolder(argv[1]) ? 0 : 1;
}
