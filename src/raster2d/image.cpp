// image: file blobs and JPEG decoding with the TurboJPEG API.
#include "raster2d/image.h"

#include <turbojpeg.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

// The folder the show's files are read from; "data" (in the working folder)
// until SetDataFolder names another.
static char dataFolder[DATA_FOLDER_SIZE] = "data";

int SetDataFolder(const char *folder) {
    if (!folder || !folder[0] || strlen(folder) >= sizeof dataFolder) return 0;
    strcpy(dataFolder, folder);
    return 1;
}

const char *GetDataFolder(void) {
    return dataFolder;
}

int DataFilePath(char *path, int size, const char *name) {
    // A name's limit does not depend on where the folder lies, so a file
    // that loads from ./data loads from any installed folder too.
    if (strlen(name) > DATA_NAME_MAX) return 0;
    int n = snprintf(path, (size_t)size, "%s/%s", dataFolder, name);
    return n >= 0 && n < size;
}

FileBlob *LoadFileBlob(const char *name) {
    char path[DATA_PATH_SIZE];
    if (!DataFilePath(path, sizeof path, name)) {
        fprintf(stderr, "Unable To load: %s/%.32s...: the name is longer than 250 characters\n",
                dataFolder, name);
        return nullptr;
    }
    FILE *f = fopen(path, "rb");
    if (!f) {
        fprintf(stderr, "Unable To load: %s: %s\n", path, strerror(errno));
        return nullptr;
    }
    // The size comes from the file system: a folder or a device opens like
    // a file but has no length to read, and must be named as what it is.
    struct stat st;
    long long length = -1;
    const char *problem = nullptr;
    char tooLarge[80];
    if (fstat(fileno(f), &st) != 0) {
        problem = strerror(errno);
    } else if (S_ISDIR(st.st_mode)) {
        problem = "is a folder, not a file";
    } else if (!S_ISREG(st.st_mode)) {
        problem = "is not a regular file";
    } else if ((length = (long long)st.st_size) > INT32_MAX) {
        snprintf(tooLarge, sizeof tooLarge, "is %lld bytes; the largest file read is %d bytes",
                 length, INT32_MAX);
        problem = tooLarge;
    }
    FileBlob *blob = nullptr;
    if (problem) {
    } else if (!(blob = (FileBlob *)malloc(sizeof *blob)) ||
               !(blob->data = (uint8_t *)malloc(length ? (size_t)length : 1))) {
        problem = "out of memory";
    } else if (fread(blob->data, 1, (size_t)length, f) != (size_t)length) {
        problem = ferror(f) ? "read error" : "the file got shorter while it was read";
        free(blob->data);
    }
    fclose(f);
    if (problem) {
        fprintf(stderr, "Unable To load: %s: %s\n", path, problem);
        free(blob);
        return nullptr;
    }
    blob->length = (int32_t)length;
    blob->cursor = 0;
    return blob;
}

int FreeFileBlob(FileBlob *blob) {
    if (blob) free(blob->data);
    free(blob);
    return 0;
}

int FileBlobRead(void *dst, int size, int count, FileBlob *blob) {
    if (!blob || size < 0 || count <= 0) return 0;
    int64_t cursor = blob->cursor;
    if (cursor < 0 || cursor > blob->length) return 0;
    // Whole items only: as many as fit between the cursor and the end.
    int64_t fit = size ? (blob->length - cursor) / size : count;
    int items = fit < count ? (int)fit : count;
    memcpy(dst, blob->data + cursor, (size_t)items * (size_t)size);
    blob->cursor = (int32_t)(cursor + (int64_t)items * size);
    return items;
}

int FileBlobSeek(FileBlob *blob, int offset, int origin) {
    if (!blob) return 0;
    int64_t c = blob->cursor;
    if (origin == 0) c = offset;
    if (origin == 1) c += offset;
    if (origin == 2) c = (int64_t)blob->length - offset;
    // Kept within int32: a cursor out of the file reads nothing anyway.
    blob->cursor = (int32_t)(c < INT32_MIN ? INT32_MIN : c > INT32_MAX ? INT32_MAX : c);
    return 0;
}

int FileBlobTell(const FileBlob *blob) {
    return blob ? blob->cursor : 0;
}

// The largest picture accepted: far above the show's 512 x 256, and a bound
// on what a damaged header can make us allocate.
#define JPEG_MAX_SIDE 8192

Image *DecodeJpeg(const uint8_t *bytes, size_t length, const char *name) {
    tjhandle tj = tjInitDecompress();
    if (!tj) {
        fprintf(stderr, "%s: cannot start the JPEG decoder\n", name);
        return nullptr;
    }
    // Set before the header is read: a header that fails leaves them as they are.
    int width = 0, height = 0, subsampling = 0, colourSpace = TJCS_RGB;
    Image *image = nullptr;
    const char *problem = nullptr;
    int fromDecoder = 0; // 1 when the decoder refused the data and its words say more
    char size[120];
    if (tjDecompressHeader3(tj, bytes, (unsigned long)length, &width, &height, &subsampling,
                            &colourSpace) != 0) {
        problem = "not a JPEG file";
        fromDecoder = 1;
    } else if (width <= 0 || height <= 0 || width > JPEG_MAX_SIDE || height > JPEG_MAX_SIDE) {
        snprintf(size, sizeof size, "is %d x %d pixels; the largest supported is %d x %d", width,
                 height, JPEG_MAX_SIDE, JPEG_MAX_SIDE);
        problem = size;
    } else if (!(image = (Image *)malloc(sizeof *image)) ||
               !(image->pixels = (uint32_t *)malloc((size_t)width * height * 4))) {
        problem = "out of memory";
        free(image);
        image = nullptr;
    }
    // CMYK and YCCK pictures decode only to CMYK: 4 bytes a pixel, the same
    // room as the Image, converted in place below. Any warning (a truncated
    // file, corrupt data) stops the decoder and fails the picture.
    int cmyk = colourSpace == TJCS_CMYK || colourSpace == TJCS_YCCK;
    if (image &&
        tjDecompress2(tj, bytes, (unsigned long)length, (unsigned char *)image->pixels, width,
                      width * 4, height, cmyk ? TJPF_CMYK : TJPF_BGRX, TJFLAG_STOPONWARNING) != 0) {
        problem = "damaged or truncated JPEG data";
        fromDecoder = 1;
        free(image->pixels);
        free(image);
        image = nullptr;
    }
    if (problem) {
        // The decoder's own words add to what is wrong with the data; after
        // a refusal of our own they would be stale ("No error").
        const char *detail = fromDecoder ? tjGetErrorStr2(tj) : nullptr;
        if (detail && detail[0] && strcmp(detail, "No error") != 0)
            fprintf(stderr, "%s: %s (%s)\n", name, problem, detail);
        else
            fprintf(stderr, "%s: %s\n", name, problem);
        tjDestroy(tj);
        return nullptr;
    }
    tjDestroy(tj);
    image->width = width;
    image->height = height;
    uint32_t *p = image->pixels;
    const size_t count = (size_t)width * height;
    if (cmyk) {
        // Stored inverted, as Adobe writes CMYK JPEGs: 255 is no ink. Each
        // channel is its inverted ink times the inverted black, /255 rounded
        // (255 is odd, so +127 rounds every quotient to nearest).
        const uint8_t *q = (const uint8_t *)p;
        for (size_t i = 0; i < count; i++, q += 4) {
            uint32_t k = q[3];
            uint32_t r = (q[0] * k + 127) / 255, g = (q[1] * k + 127) / 255,
                     b = (q[2] * k + 127) / 255;
            p[i] = r << 16 | g << 8 | b;
        }
    } else {
        // BGRX arrives as 0xXXRRGGBB with the unused byte set: clear it.
        for (size_t i = 0; i < count; i++) p[i] &= 0x00FFFFFF;
    }
    return image;
}

Image *LoadJpeg(const char *name) {
    FileBlob *blob = LoadFileBlob(name);
    if (!blob) return nullptr;
    char path[DATA_PATH_SIZE];
    DataFilePath(path, sizeof path, name);
    Image *image = DecodeJpeg(blob->data, (size_t)blob->length, path);
    FreeFileBlob(blob);
    return image;
}

void FreeJpeg(Image *image) {
    if (image) free(image->pixels);
    free(image);
}
