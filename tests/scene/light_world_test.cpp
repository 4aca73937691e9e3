// LoadLight and the World container.
#include <cstring>

#include "scene_test.h"

namespace {

using scenefiles::LightText;

TEST(LoadLight, ReadsPositionColourAndRadiusAndPrintsThem) {
    const std::string path = WriteTemp("lys.txt", LightText("0 100 -50", "255 128 0", "400"));
    Light *light = nullptr;
    const std::string out = Captured([&] { light = LoadLight(path.c_str()); });
    ASSERT_NE(light, nullptr) << out;
    EXPECT_EQ(out, "LightPos:: x : 0.000000 y : 100.000000 z : -50.000000\n"
                   "LightColor:: r : 1.000000 g : 0.501961 b : 0.000000\n"
                   "LightZero = 400\n");
    EXPECT_EQ(light->position.x, 0.0f);
    EXPECT_EQ(light->position.y, 100.0f);
    EXPECT_EQ(light->position.z, -50.0f);
    EXPECT_EQ(light->color.r, 1.0f);
    EXPECT_EQ(light->color.g, (float)(128 / 255.0));
    EXPECT_EQ(light->color.b, 0.0f);
    EXPECT_EQ(light->radius, 400);
    free(light);
}

TEST(LoadLight, KeysInAnyOrderAndCrLfLoadTheSameLight) {
    const std::string position = "Position: -1.5 2 3e2\n", color = "Color: 10 20 30\n",
                      radius = "Radius: 77\n";
    Light *first = nullptr;
    LoadLightBytes("order0.txt", position + color + radius, &first);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->position.z, 300.0f);
    const std::string others[] = {radius + color + position, color + radius + position,
                                  scenefiles::WithCrLf(radius + position + color)};
    for (const std::string &text : others) {
        Light *light = nullptr;
        LoadLightBytes("order.txt", text, &light);
        ASSERT_NE(light, nullptr) << text;
        EXPECT_EQ(0, memcmp(light, first, sizeof(Light))) << text;
        free(light);
    }
    free(first);
}

TEST(LoadLight, NegativeColourComponentIsTakenUnsigned) {
    Light *light = nullptr;
    LoadLightBytes("negative.txt", LightText("0 0 0", "-1 0 255", "10"), &light);
    ASSERT_NE(light, nullptr);
    EXPECT_EQ(light->color.r, (float)(4294967295.0 / 255.0)); // far above 1.0
    EXPECT_EQ(light->color.b, 1.0f);
    free(light);
}

TEST(LoadLight, NumbersFollowTheConversionRules) {
    // Sign, fraction and exponent for reals; integers keep their leading
    // digits (".9" has none but is still a number: 0); what follows is ignored.
    Light *light = nullptr;
    LoadLightBytes("numbers.txt", LightText("+1.5e1 .5 -2.x", "+7 .9 3abc", "12\t"), &light);
    ASSERT_NE(light, nullptr);
    EXPECT_EQ(light->position.x, 15.0f);
    EXPECT_EQ(light->position.y, 0.5f);
    EXPECT_EQ(light->position.z, -2.0f);
    EXPECT_EQ(light->color.r, (float)(7 / 255.0));
    EXPECT_EQ(light->color.g, 0.0f);
    EXPECT_EQ(light->color.b, (float)(3 / 255.0));
    EXPECT_EQ(light->radius, 12);
    free(light);
}

TEST(LoadLight, MalformedFilesAreRefusedWithOneLine) {
    const struct {
        const char *name;
        std::string text;
        const char *problem;
    } cases[] = {
        {"empty file", "", "the file is empty"},
        {"missing key", "Position: 0 0 0\nColor: 1 2 3\n", "light: no \"Radius:\" key"},
        {"missing value", LightText("0  0 0", "1 2 3", "4"), "line 1: light position is missing"},
        {"cut short", "Color: 1 2 3\nRadius: 4\nPosition: 0 0",
         "the file ends before the light position"},
        {"not a number", LightText("0 0 0", "red 2 3", "4"),
         "light colour \"red\" is not a number"},
        {"token of 20 characters", LightText("0 0 0", "1 2 3", "12345678901234567890"),
         "light radius of 20 characters"},
        {"key at the very end",
         "Position: 0 0 0\nColor: 1 2 3\nRadius:", "the file ends before the light radius"},
        {"NUL byte", std::string("Position: 0 0 0\n\0", 17), "NUL byte at line 2"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = WriteTemp("bad-light.txt", c.text);
        Light *light = nullptr;
        const std::string out = Captured([&] { light = LoadLight(path.c_str()); });
        EXPECT_EQ(light, nullptr);
        ExpectRefused(out, path, c.problem);
        free(light);
    }
    // Every cut short of the radius's first digit is refused.
    const std::string good = LightText("0 100 -50", "255 128 0", "400");
    for (size_t n = 0; n < good.find("400"); n++) {
        Light *light = nullptr;
        const std::string out = LoadLightBytes("cut.txt", good.substr(0, n), &light);
        EXPECT_EQ(light, nullptr) << n;
        ExpectRefused(out, "cut.txt", "");
        free(light);
    }
}

TEST(World, NewWorldIsSizedWithIdentityMatricesAndEyeOnZ) {
    World *world = NewWorld(1, 0);
    ASSERT_NE(world, nullptr);
    EXPECT_EQ(world->modelCount, 1);
    EXPECT_EQ(world->lightCount, 0);
    EXPECT_NE(world->models, nullptr);
    for (const Matrix4 *m : {&world->frameMatrix, &world->rightMatrix, &world->leftMatrix})
        for (int i = 0; i < 16; i++) EXPECT_EQ(m->m[i], i % 5 == 0 ? 1.0f : 0.0f);
    EXPECT_EQ(world->eye.x, 0.0f);
    EXPECT_EQ(world->eye.y, 0.0f);
    EXPECT_EQ(world->eye.z, 1.0f);
    // Freed before it is filled: nothing to release but the arrays.
    Captured([&] { FreeWorld(world); });
    free(world);
}

TEST(World, FreeWorldReleasesWhatItHoldsAndPrintsItsCounts) {
    World *world = NewWorld(1, 1);
    ASSERT_NE(world, nullptr);
    Model *model = nullptr;
    Light *light = nullptr;
    LoadModelBytes("cube.txt", scenefiles::TorusScene(4, 3), &model);
    LoadLightBytes("lys.txt", LightText("1 2 3", "4 5 6", "7"), &light);
    ASSERT_NE(model, nullptr);
    ASSERT_NE(light, nullptr);
    world->models[0] = *model; // the World now owns the Model's arrays
    world->lights[0] = *light;
    free(model);
    free(light);

    const std::string out = Captured([&] { FreeWorld(world); });
    EXPECT_EQ(out, "FreeWorld::\nNumObj = 1\nNumLight = 1\n");
    EXPECT_EQ(world->modelCount, 0);
    EXPECT_EQ(world->lightCount, 0);
    EXPECT_EQ(world->eye.x, 0.0f);
    EXPECT_EQ(world->eye.y, 0.0f);
    EXPECT_EQ(world->eye.z, 0.0f);
    EXPECT_EQ(world->models, nullptr);
    EXPECT_EQ(world->lights, nullptr);
    free(world);

    EXPECT_EQ(Captured([] { FreeWorld(nullptr); }), "");
}

} // namespace
