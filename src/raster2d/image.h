// image: whole files from the data folder (data/ unless the show found its
// data elsewhere) in memory, and JPEG pictures decoded from them into Images
// of 0x00RRGGBB pixels (libjpeg-turbo).
#pragma once

#include "raster2d/raster2d.h"

#include <cstddef>
#include <cstdint>

#define DATA_FOLDER_SIZE 1024 // Bytes for the data folder's name, NUL included
#define DATA_NAME_MAX    250  // Characters of a file's name within the data folder
#define DATA_PATH_SIZE   (DATA_FOLDER_SIZE + DATA_NAME_MAX + 2) // Folder, '/', name, NUL

typedef struct FileBlob {
    int32_t length; // File size in bytes, >= 0
    uint8_t *data;  // The file's contents, length bytes (a 1-byte block when empty)
    int32_t cursor; // Read position of FileBlobRead, 0 after loading; seeks may put it anywhere
} FileBlob;

// Makes every later load read from folder (a path without a trailing '/',
// shorter than DATA_FOLDER_SIZE) instead of "data". Returns 0 and keeps the
// current folder when folder is null, empty or too long.
int SetDataFolder(const char *folder);
// The folder files are read from, "data" until SetDataFolder.
const char *GetDataFolder(void);
// Writes "<data folder>/<name>" into path (size bytes). Returns 1, or 0 when
// name is longer than DATA_NAME_MAX or the whole does not fit.
int DataFilePath(char *path, int size, const char *name);

// Reads the whole file "<data folder>/<name>" (name at most 250 characters) into a new
// blob with cursor 0. Null, after one line on standard error, when the name
// is too long or the file cannot be opened, read or held.
FileBlob *LoadFileBlob(const char *name);
// Frees the blob's data and the record; null is allowed. Returns 0.
int FreeFileBlob(FileBlob *blob);
// Copies up to count whole items of size bytes from the cursor on into dst
// and advances the cursor past them. Stops before an item that would reach
// past the end, and copies nothing while the cursor lies outside 0..length.
// Returns the number of items copied.
int FileBlobRead(void *dst, int size, int count, FileBlob *blob);
// Moves the cursor: origin 0 to offset, 1 by offset, 2 to length - offset
// (offset counts back from the end); other origins leave it. Not limited to
// the file. Returns 0.
int FileBlobSeek(FileBlob *blob, int offset, int origin);
// The cursor.
int FileBlobTell(const FileBlob *blob);

// Decodes the JPEG file "<data folder>/<name>" into a new Image of the picture's own
// size, top row first, pixels 0x00RRGGBB with bits 24-31 zero. Colour,
// greyscale, progressive and CMYK/YCCK pictures all decode. Null, after one
// line naming the file and the problem, when it cannot be read, is not a
// JPEG, is damaged or truncated, or is larger than 8192 x 8192 pixels.
Image *LoadJpeg(const char *name);
// The same from length bytes in memory; name only labels the message.
Image *DecodeJpeg(const uint8_t *bytes, size_t length, const char *name);
// Frees an Image made by LoadJpeg or DecodeJpeg, pixels and record; null is allowed.
void FreeJpeg(Image *image);
