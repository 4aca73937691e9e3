// text: reading a scene or light file whole, the key-search primitives, and
// the checked value reads the loaders are built on.
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include "scene/reader.h"
#include "scene/scene.h"

// Positions are int32: a text must leave room for the widest label distance past its end.
static const size_t kMaxTextSize = (size_t)1 << 30;

static bool IsEnd(char ch) {
    return (unsigned char)ch == SCENE_TEXT_END;
}

// Line number (1-based) of position pos, for messages.
static int LineOf(const char *text, int32_t pos) {
    int line = 1;
    for (int32_t i = 0; i < pos && !IsEnd(text[i]); i++) line += text[i] == '\n';
    return line;
}

char *NewSceneText(const char *name, const void *bytes, size_t size) {
    if (size >= kMaxTextSize) {
        printf("Unable To load: %s: larger than %zu bytes\n", name, kMaxTextSize);
        return nullptr;
    }
    const unsigned char *in = (const unsigned char *)bytes;
    char *text = (char *)malloc(size + 1);
    if (!text) {
        printf("Unable To load: %s: out of memory\n", name);
        return nullptr;
    }
    size_t n = 0;
    int line = 1;
    for (size_t i = 0; i < size; i++) {
        const unsigned char ch = in[i];
        // A NUL or a second end marker inside the file would cut every scan short.
        if (ch == 0 || ch == SCENE_TEXT_END) {
            printf("Unable To load: %s: %s byte at line %d\n", name, ch ? "0xFF" : "NUL", line);
            free(text);
            return nullptr;
        }
        if (ch == '\r' && i + 1 < size && in[i + 1] == '\n') continue; // CR LF reads as LF
        line += ch == '\n';
        text[n++] = (char)ch;
    }
    text[n] = (char)SCENE_TEXT_END;
    return text;
}

char *ReadTextFile(const char *path) {
    FILE *file = fopen(path, "rb");
    if (!file) {
        printf("Unable To load: %s: %s\n", path, strerror(errno));
        return nullptr;
    }
    // A folder opens like a file on some systems and only fails to read.
    struct stat st;
    if (fstat(fileno(file), &st) == 0 && S_ISDIR(st.st_mode)) {
        fclose(file);
        printf("Unable To load: %s: is a folder, not a file\n", path);
        return nullptr;
    }
    // Read in growing chunks: works for files whose size cannot be asked in advance.
    size_t size = 0, capacity = 1 << 16;
    char *bytes = (char *)malloc(capacity);
    bool tooLong = false;
    while (bytes) {
        size += fread(bytes + size, 1, capacity - size, file);
        if (size < capacity) break;
        if (capacity >= kMaxTextSize) { // full at the limit: more would be cut off unseen
            tooLong = fgetc(file) != EOF;
            break;
        }
        capacity *= 2;
        char *grown = (char *)realloc(bytes, capacity);
        if (!grown) free(bytes);
        bytes = grown;
    }
    const int readError = ferror(file) ? errno : 0;
    fclose(file);
    if (!bytes || readError || tooLong) {
        printf("Unable To load: %s: %s\n", path,
               !bytes    ? "out of memory"
               : tooLong ? "longer than 1 GiB, the longest text read"
                         : strerror(readError));
        free(bytes);
        return nullptr;
    }
    char *text = NewSceneText(path, bytes, size);
    free(bytes);
    return text;
}

int32_t FindKey(const char *key, const char *text, int32_t start) {
    if (!key[0]) return -1;
    // The comparison stops at the first mismatch, and no key holds 0xFF, so it
    // never looks past the end marker.
    for (int32_t i = start; !IsEnd(text[i]); i++) {
        int32_t j = 0;
        while (key[j] && text[i + j] == key[j]) j++;
        if (!key[j]) return i;
    }
    return -1;
}

int32_t ReadToken(const char *text, char *token, int32_t pos) {
    int32_t i = pos, n = 0;
    for (; text[i] != ' ' && text[i] != '\n' && !IsEnd(text[i]); i++)
        if (n < SCENE_TOKEN_SIZE - 1) token[n++] = text[i]; // keep 19, scan on to the end
    token[n] = 0;
    return i == pos ? -1 : i;
}

int32_t SkipLine(const char *text, int32_t pos) {
    for (int32_t i = pos; !IsEnd(text[i]); i++)
        if (text[i] == '\n') return i;
    return -1;
}

void BeginReading(SceneReader *rd, const char *path, const char *text) {
    rd->path = path;
    rd->text = text;
    rd->end = 0;
    while (!IsEnd(text[rd->end])) rd->end++;
    rd->r = 0;
    rd->token[0] = 0;
    rd->problem[0] = 0;
}

bool Fail(SceneReader *rd, const char *format, ...) {
    if (rd->problem[0]) return false;
    va_list args;
    va_start(args, format);
    // The analyzer of clang 14 loses track of va_start on glibc's va_list.
    vsnprintf(rd->problem, sizeof rd->problem, format, args); // NOLINT(clang-analyzer-valist.*)
    va_end(args);
    return false;
}

void ReportProblem(const SceneReader *rd) {
    printf("Unable To load: %s: %s\n", rd->path, rd->problem);
}

int32_t FindKeyChecked(SceneReader *rd, const char *key, int32_t start, const char *what) {
    const int32_t k = start <= rd->end ? FindKey(key, rd->text, start) : -1;
    // A key that must begin a line starts with its LF; the message names it without.
    if (k < 0) Fail(rd, "%s: no \"%s\" key", what, key + (key[0] == '\n'));
    return k;
}

bool ReadTokenAt(SceneReader *rd, int32_t pos, bool required, const char *what) {
    if (pos < 0 || pos > rd->end) return Fail(rd, "the file ends before the %s", what);
    const int32_t stop = ReadToken(rd->text, rd->token, pos);
    if (stop < 0) {
        if (required) return Fail(rd, "line %d: %s is missing", LineOf(rd->text, pos), what);
        rd->r = pos; // an empty token ends where it starts
        return true;
    }
    if (stop - pos >= SCENE_TOKEN_SIZE)
        return Fail(rd, "line %d: %s of %d characters (at most %d)", LineOf(rd->text, pos), what,
                    stop - pos, SCENE_TOKEN_SIZE - 1);
    rd->r = stop;
    return true;
}

static bool IsDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

// Leading white space is skipped as the C library's conversions do; a token
// cannot hold spaces or LFs, but tabs and CRs belong to it.
static const char *SkipBlanks(const char *s) {
    while (*s == '\t' || *s == '\r' || *s == '\v' || *s == '\f') s++;
    return s;
}

bool ReadIntAt(SceneReader *rd, int32_t pos, int32_t *value, const char *what) {
    if (!ReadTokenAt(rd, pos, true, what)) return false;
    const char *s = SkipBlanks(rd->token);
    const bool negative = *s == '-';
    if (*s == '-' || *s == '+') s++;
    // ".8" is a number whose integer part is 0, as the C library reads it.
    if (!IsDigit(*s) && !(*s == '.' && IsDigit(s[1])))
        return Fail(rd, "line %d: %s \"%s\" is not a number", LineOf(rd->text, pos), what,
                    rd->token);
    // Saturate at the int32 range, as the C library's conversion does.
    int64_t v = 0;
    for (; IsDigit(*s); s++)
        if (v <= INT32_MAX) v = v * 10 + (*s - '0');
    if (negative) v = -v;
    *value = v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : (int32_t)v;
    return true;
}

bool ReadRealAt(SceneReader *rd, int32_t pos, float *value, const char *what) {
    if (!ReadTokenAt(rd, pos, true, what)) return false;
    // Take only the decimal prefix: sign, digits, fraction, exponent. strtod
    // alone would also accept "inf", "nan" and hexadecimal.
    const char *start = SkipBlanks(rd->token), *s = start;
    if (*s == '-' || *s == '+') s++;
    int digits = 0;
    for (; IsDigit(*s); s++) digits++;
    if (*s == '.')
        for (s++; IsDigit(*s); s++) digits++;
    if (!digits)
        return Fail(rd, "line %d: %s \"%s\" is not a number", LineOf(rd->text, pos), what,
                    rd->token);
    if (*s == 'e' || *s == 'E') {
        const char *e = s + 1;
        if (*e == '-' || *e == '+') e++;
        if (IsDigit(*e)) {
            while (IsDigit(*e)) e++;
            s = e;
        }
    }
    char number[SCENE_TOKEN_SIZE];
    memcpy(number, start, (size_t)(s - start));
    number[s - start] = 0;
    const float v = (float)strtod(number, nullptr);
    if (!std::isfinite(v))
        return Fail(rd, "line %d: %s %s is out of range", LineOf(rd->text, pos), what, number);
    *value = v;
    return true;
}

// A run of values that each start gap characters after the one before ended.
template <class T>
static bool ReadRun(SceneReader *rd, int32_t first, int32_t gap, T *values, int count,
                    const char *what, bool (*read)(SceneReader *, int32_t, T *, const char *)) {
    if (!read(rd, first, &values[0], what)) return false;
    for (int i = 1; i < count; i++)
        if (!read(rd, rd->r + gap, &values[i], what)) return false;
    return true;
}

bool ReadIntsAt(SceneReader *rd, int32_t first, int32_t gap, int32_t *values, int count,
                const char *what) {
    return ReadRun(rd, first, gap, values, count, what, ReadIntAt);
}

bool ReadRealsAt(SceneReader *rd, int32_t first, int32_t gap, float *values, int count,
                 const char *what) {
    return ReadRun(rd, first, gap, values, count, what, ReadRealAt);
}

bool CheckCount(SceneReader *rd, int32_t count, int64_t *used, const char *what) {
    if (count < 0) return Fail(rd, "%s %d is negative", what, count);
    if (*used + count > rd->end)
        return Fail(rd, "%s %d is more than the file's %d characters can hold", what, count,
                    rd->end);
    *used += count;
    return true;
}
