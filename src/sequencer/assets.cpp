// assets: everything the show draws, loaded once at start-up in a fixed
// order behind the loading picture.
#include "sequencer/show.h"

#include <cstdio>
#include <cstdlib>

#include "platform/interrupt.h"
#include "platform/message.h"
#include "raster2d/image.h"

typedef struct ImageAsset {
    Image *Show::*image; // Where the picture goes
    const char *file;    // Name in the data folder
    int anySize;         // 1: only placed with DrawImage or never drawn, so any size will do
} ImageAsset;

// The 21 pictures after the loading picture, in load order.
static const ImageAsset imageAssets[] = {
    {&Show::imgKey, "key.jpg", 0},
    {&Show::imgFear, "fear07.jpg", 0},
    {&Show::imgSmoke, "smoke.jpg", 0},
    {&Show::imgName, "name.jpg", 0},
    {&Show::imgOverlay, "overlay01.jpg", 1},
    {&Show::imgSplat, "splat.jpg", 1},
    {&Show::imgFern1, "Pale Fern part 01.jpg", 0},
    {&Show::imgFern2, "Pale Fern part 02.jpg", 0},
    {&Show::imgCreds, "Creds.jpg", 1},
    {&Show::imgMoah, "moah.jpg", 0},
    {&Show::imgCani1, "cani01.jpg", 0},
    {&Show::imgCani2, "cani02.jpg", 1},
    {&Show::imgDrake, "drake.jpg", 0},
    {&Show::imgLake, "lake.jpg", 0},
    {&Show::imgLakeF, "lakef.jpg", 0},
    {&Show::imgOver2, "over02.jpg", 1},
    {&Show::imgSkog, "skog.jpg", 0},
    {&Show::imgMrea, "mrea.jpg", 1},
    {&Show::imgFette, "fette.jpg", 0},
    {&Show::imgVertikal, "vertikal3.jpg", 0},
    {&Show::imgGr, "gr.jpg", 0},
};

typedef struct WorldAsset {
    World *Show::*world; // Where the World goes
    const char *scene;   // Scene file in the data folder
    const char *light;   // Light file in the data folder, null for none
} WorldAsset;

static const WorldAsset worldAssets[] = {
    {&Show::worldRoculus, "roculus.txt", "lys.txt"},
    {&Show::worldSpikeball, "spikeball.txt", "lys.txt"},
    {&Show::worldStars, "stars.txt", "lys.txt"},
    {&Show::worldCube, "cube.txt", "lys.txt"},
    {&Show::worldDiamond, "diamond.txt", "nyttlys.txt"},
    {&Show::worldLove, "love.txt", "nyttlys.txt"},
    {&Show::worldDabomb, "dabomb.txt", "lys.txt"},
    {&Show::worldButterfly, "butterfly.txt", nullptr},
};

// One message naming what stops the show; the loaders have already said why.
// Interrupted, the loading just stops: the user asked for it.
static int Refuse(const char *what, const char *file) {
    char text[DATA_PATH_SIZE + 100];
    snprintf(text, sizeof text, "%s%s: the show cannot start without it", what, file);
    if (CaughtStopSignal()) return 0; // a file cut short by the signal is not at fault
    ShowMessageBox("Error", text);
    return 0;
}

// A picture the show uses as a texture, a copy source or a work buffer must be
// 512 x 256: every such use reads or clears exactly that many pixels.
static Image *LoadPicture(const char *file, int anySize) {
    char path[DATA_PATH_SIZE];
    DataFilePath(path, sizeof path, file);
    Image *image = LoadJpeg(file);
    if (!image) {
        Refuse("Cannot load ", path);
        return nullptr;
    }
    if (!anySize && (image->width != AREA_WIDTH || image->height != AREA_HEIGHT)) {
        char what[64];
        snprintf(what, sizeof what, "%d x %d, not 512 x 256: ", image->width, image->height);
        Refuse(what, path);
        FreeJpeg(image);
        return nullptr;
    }
    return image;
}

int LoadAssets(Show *show) {
    show->imgLoad = LoadPicture("load.jpg", 0);
    if (!show->imgLoad) return 0;
    DrawImage(view, renderEnd, 0, 0, show->imgLoad);
    PresentShowFrame(show);

    for (const WorldAsset &w : worldAssets) {
        show->*w.world = NewWorld(1, w.light ? 1 : 0);
        if (!(show->*w.world)) return Refuse("Out of memory for ", w.scene);
    }
    for (const ImageAsset &a : imageAssets) {
        show->*a.image = LoadPicture(a.file, a.anySize);
        if (!(show->*a.image) || CaughtStopSignal()) return 0;
    }
    show->gridA = NewDeformGrid(AREA_WIDTH, AREA_HEIGHT);
    show->gridB = NewDeformGrid(AREA_WIDTH, AREA_HEIGHT);
    show->gridC = NewDeformGrid(AREA_WIDTH, AREA_HEIGHT);
    if (!show->gridA.points || !show->gridB.points || !show->gridC.points)
        return Refuse("Out of memory for ", "the grids");

    // The World takes over the arrays the loaded records point to; the
    // records themselves are not needed again.
    for (const WorldAsset &w : worldAssets) {
        World *world = show->*w.world;
        char path[DATA_PATH_SIZE];
        DataFilePath(path, sizeof path, w.scene);
        Model *model = LoadModel(path);
        if (!model) return Refuse("Cannot load ", path);
        world->models[0] = *model;
        free(model);
        if (!w.light) continue;
        DataFilePath(path, sizeof path, w.light);
        Light *light = LoadLight(path);
        if (!light) return Refuse("Cannot load ", path);
        world->lights[0] = *light;
        free(light);
    }
    return 1;
}

void FreeShowAssets(Show *show) {
    FreeJpeg(show->imgLoad);
    show->imgLoad = nullptr;
    for (const ImageAsset &a : imageAssets) {
        FreeJpeg(show->*a.image);
        show->*a.image = nullptr;
    }
    FreeDeformGrid(&show->gridA);
    FreeDeformGrid(&show->gridB);
    FreeDeformGrid(&show->gridC);
    // FreeWorld would print the counts: the show's console ends with its last part.
    for (const WorldAsset &w : worldAssets) {
        World *world = show->*w.world;
        if (!world) continue;
        for (int i = 0; i < world->modelCount; i++) FreeModel(&world->models[i]);
        free(world->models);
        free(world->lights);
        free(world);
        show->*w.world = nullptr;
    }
}
