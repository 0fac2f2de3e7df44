// Picture loading layouts, the black key, failure texts and texture upload
// checked on the texels OpenGL actually stored.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "toolkit.h"

namespace {

struct Rgb {
    Uint8 r, g, b;
};

class ImageFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/images_test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override
    {
        for (const std::string& f : made) std::remove(f.c_str());
        std::remove(dir.c_str());
        verbose = 0;
    }

    std::string path(const std::string& name)
    {
        made.push_back(dir + "/" + name);
        return made.back();
    }

    // Saves a 24-bit picture of w x h pixels, colours given row by row.
    std::string savePicture(const std::string& name, int w, int h, const std::vector<Rgb>& pixels)
    {
        SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0x0000FF, 0x00FF00, 0xFF0000, 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                Uint8* p = static_cast<Uint8*>(s->pixels) + y * s->pitch + x * 3;
                const Rgb& c = pixels[static_cast<size_t>(y * w + x)];
                p[0] = c.r;
                p[1] = c.g;
                p[2] = c.b;
            }
        std::string file = path(name);
        EXPECT_EQ(SDL_SaveBMP(s, file.c_str()), 0);
        SDL_FreeSurface(s);
        return file;
    }

    std::string saveBytes(const std::string& name, const std::vector<unsigned char>& bytes)
    {
        std::string file = path(name);
        FILE* f = std::fopen(file.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        if (f) {
            if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        return file;
    }

    std::string dir;
    std::vector<std::string> made;
};

const Uint8* pixelAt(const SDL_Surface* s, int x, int y)
{
    return static_cast<const Uint8*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
}

std::string warningsOf(SDL_Surface* (*loader)(const char*), const char* fileName, SDL_Surface** result)
{
    verbose = 1;
    std::fflush(stdout);
    ::testing::internal::CaptureStdout();
    *result = loader(fileName);
    std::fflush(stdout);
    return ::testing::internal::GetCapturedStdout();
}

std::vector<unsigned char> readFile(const char* name)
{
    std::vector<unsigned char> bytes;
    FILE* f = std::fopen(name, "rb");
    if (!f) return bytes;
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<unsigned char>(c));
    std::fclose(f);
    return bytes;
}

TEST(FixPathSeparators, TurnsEveryBackslashIncludingTheFirst)
{
    char name[] = "\\Datas\\Objets\\tux.lwo";
    fixPathSeparators(name);
    EXPECT_STREQ(name, "/Datas/Objets/tux.lwo");

    char plain[] = "Datas/Flares-Fond.jpg";
    fixPathSeparators(plain);
    EXPECT_STREQ(plain, "Datas/Flares-Fond.jpg");

    fixPathSeparators(nullptr);  // none is left alone, no crash
}

TEST_F(ImageFiles, RgbPicturesKeepRedGreenBlueByteOrder)
{
    std::vector<Rgb> colours = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}, {200, 100, 50}, {1, 2, 3}};
    std::string file = savePicture("order.bmp", 3, 2, colours);
    SDL_Surface* s = loadImageRgb(file.c_str());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->format->BitsPerPixel, 24);
    EXPECT_EQ(s->format->BytesPerPixel, 3);
    EXPECT_EQ(s->format->Rmask, 0x000000FFu);
    EXPECT_EQ(s->format->Gmask, 0x0000FF00u);
    EXPECT_EQ(s->format->Bmask, 0x00FF0000u);
    EXPECT_EQ(s->format->palette, nullptr);
    EXPECT_EQ(s->flags & SDL_SRCCOLORKEY, 0u);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const Uint8* p = pixelAt(s, x, y);
            const Rgb& c = colours[static_cast<size_t>(y * 3 + x)];
            EXPECT_EQ(p[0], c.r) << x << "," << y;
            EXPECT_EQ(p[1], c.g) << x << "," << y;
            EXPECT_EQ(p[2], c.b) << x << "," << y;
        }
    SDL_FreeSurface(s);
}

TEST_F(ImageFiles, KeyedAlphaMarksOnlyPureBlack)
{
    std::vector<Rgb> black(5 * 3, Rgb{0, 0, 0});
    SDL_Surface* s = loadImageKeyed(savePicture("black.bmp", 5, 3, black).c_str());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->format->BytesPerPixel, 4);
    EXPECT_EQ(s->format->Amask, 0xFF000000u);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(pixelAt(s, x, y)[3], 255) << x << "," << y;
    SDL_FreeSurface(s);

    // Nearly black in each channel is still not black.
    std::vector<Rgb> noBlack = {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}, {255, 255, 255}, {7, 7, 7}, {0, 0, 255}};
    s = loadImageKeyed(savePicture("noblack.bmp", 3, 2, noBlack).c_str());
    ASSERT_NE(s, nullptr);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const Uint8* p = pixelAt(s, x, y);
            const Rgb& c = noBlack[static_cast<size_t>(y * 3 + x)];
            EXPECT_EQ(p[3], 0) << x << "," << y;
            EXPECT_EQ(p[0], c.r);
            EXPECT_EQ(p[1], c.g);
            EXPECT_EQ(p[2], c.b);
        }
    SDL_FreeSurface(s);

    std::vector<Rgb> mixed = {{0, 0, 0}, {0, 0, 1}, {0, 0, 0}, {9, 0, 0}, {0, 0, 0}, {0, 0, 0}};
    s = loadImageKeyed(savePicture("mixed.bmp", 3, 2, mixed).c_str());
    ASSERT_NE(s, nullptr);
    const Uint8 expected[6] = {255, 0, 255, 0, 255, 255};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(pixelAt(s, i % 3, i / 3)[3], expected[i]) << i;
    SDL_FreeSurface(s);
}

TEST_F(ImageFiles, MissingFileWarnsWithTheWholeName)
{
    std::string longName = dir + "/" + std::string(200, 'n') + ".jpg";
    SDL_Surface* s = reinterpret_cast<SDL_Surface*>(1);
    std::string out = warningsOf(loadImageRgb, longName.c_str(), &s);
    EXPECT_EQ(s, nullptr);
    EXPECT_EQ(out, "[TovikTools Warning]:: Attention, <Impossible de charger:'" + longName + "'>\n");

    out = warningsOf(loadImageKeyed, "absent.png", &s);
    EXPECT_EQ(s, nullptr);
    EXPECT_EQ(out, "[TovikTools Warning]:: Attention, <Impossible de charger:'absent.png'>\n");

    verbose = 0;
    std::fflush(stdout);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(loadImageRgb("absent.png"), nullptr);
    std::fflush(stdout);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

TEST_F(ImageFiles, BytesThatAreNoPictureLoadAsNone)
{
    std::vector<unsigned char> noise(4096);
    unsigned state = 12345;
    for (unsigned char& b : noise) b = static_cast<unsigned char>((state = state * 1103515245u + 12345u) >> 16);
    std::string file = saveBytes("noise.jpg", noise);
    SDL_Surface* s = reinterpret_cast<SDL_Surface*>(1);
    std::string out = warningsOf(loadImageRgb, file.c_str(), &s);
    EXPECT_EQ(s, nullptr);
    EXPECT_NE(out.find("Impossible de charger:'" + file + "'"), std::string::npos);
    EXPECT_EQ(loadImageKeyed(file.c_str()), nullptr);
    EXPECT_EQ(loadImageRgb(saveBytes("empty.bmp", {}).c_str()), nullptr);
}

// The generated sprite is a real JPEG; cut copies of it must not load as a
// half-decoded picture, at any cut.
TEST_F(ImageFiles, TruncatedJpegLoadsAsNone)
{
    std::vector<unsigned char> jpeg = readFile("Datas/Flares1-Light.jpg");
    ASSERT_GT(jpeg.size(), 1000u) << "the data generator writes Datas/ into the build folder";
    SDL_Surface* whole = loadImageRgb(saveBytes("whole.jpg", jpeg).c_str());
    ASSERT_NE(whole, nullptr);
    SDL_FreeSurface(whole);

    for (size_t cut : {size_t(2), size_t(20), size_t(300), jpeg.size() / 2, jpeg.size() - 2}) {
        std::vector<unsigned char> part(jpeg.begin(), jpeg.begin() + static_cast<long>(cut));
        std::string file = saveBytes("cut" + std::to_string(cut) + ".jpg", part);
        EXPECT_EQ(loadImageRgb(file.c_str()), nullptr) << "cut at " << cut;
        EXPECT_EQ(loadImageKeyed(file.c_str()), nullptr) << "cut at " << cut;
    }
}

TEST(GeneratedPictures, AreTwentyFourBitPowerOfTwoPictures)
{
    for (const char* name : {"Datas/Flares-Fond.jpg", "Datas/Flares1-Light.jpg", "Datas/Flares2-Light.jpg",
                             "Datas/Flares3-Light.jpg"}) {
        SDL_Surface* s = loadImageRgb(name);
        ASSERT_NE(s, nullptr) << name;
        EXPECT_EQ(s->w & (s->w - 1), 0) << name;
        EXPECT_EQ(s->h & (s->h - 1), 0) << name;
        EXPECT_GE(s->w, 64) << name;
        SDL_FreeSurface(s);
    }
}

// ---- Upload, on a real GL context ---------------------------------------------

class Upload : public ::testing::Test {
protected:
    static void SetUpTestSuite() { openDisplay(64, 64, 0, 0, 1); }
    void SetUp() override { glGenTextures(2, names); }
    void TearDown() override { glDeleteTextures(2, names); }

    // Level 0 of the bound texture, as RGB bytes.
    std::vector<Uint8> texels(int* w, int* h)
    {
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, h);
        std::vector<Uint8> out(static_cast<size_t>(*w) * *h * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, out.data());
        return out;
    }

    // Every texel of row y must carry the colour of that row.
    void expectRows(const std::vector<Rgb>& rowColours, int tolerance = 1)
    {
        int w = 0, h = 0;
        std::vector<Uint8> t = texels(&w, &h);
        ASSERT_EQ(h, static_cast<int>(rowColours.size()));
        ASSERT_GT(w, 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const Uint8* p = &t[static_cast<size_t>((y * w + x) * 3)];
                EXPECT_NEAR(p[0], rowColours[y].r, tolerance) << "texel " << x << "," << y;
                EXPECT_NEAR(p[1], rowColours[y].g, tolerance) << "texel " << x << "," << y;
                EXPECT_NEAR(p[2], rowColours[y].b, tolerance) << "texel " << x << "," << y;
            }
    }

    GLuint names[2] = {0, 0};
};

const std::vector<Rgb> kRows = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};

// A 24-bit picture 4 rows high, each row one colour, rows pitchBytes apart;
// the padding is filled with a colour that must never show.
std::vector<Uint8> rowPicture(int width, int pitchBytes)
{
    std::vector<Uint8> bytes(static_cast<size_t>(pitchBytes) * 4, 0x80);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < width; ++x) {
            Uint8* p = &bytes[static_cast<size_t>(y * pitchBytes + x * 3)];
            p[0] = kRows[y].r;
            p[1] = kRows[y].g;
            p[2] = kRows[y].b;
        }
    return bytes;
}

TEST_F(Upload, NoSurfaceIsRefusedAndBindsNothing)
{
    glBindTexture(GL_TEXTURE_2D, names[1]);
    EXPECT_FALSE(uploadTexture(nullptr, 0, names));
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, static_cast<GLint>(names[1]));
}

TEST_F(Upload, OddWidthsAreReadWithoutSkewWhateverThePitch)
{
    // Width 2 goes to OpenGL as it is; width 3 is resampled to 4 first.
    const struct {
        int width, pitch;
    } cases[] = {{2, 6}, {2, 7}, {2, 8}, {2, 16}, {3, 9}, {3, 10}, {3, 12}, {3, 16}, {3, 21}};
    for (const auto& c : cases) {
        SCOPED_TRACE("width " + std::to_string(c.width) + " pitch " + std::to_string(c.pitch));
        std::vector<Uint8> bytes = rowPicture(c.width, c.pitch);
        SDL_Surface* s =
            SDL_CreateRGBSurfaceFrom(bytes.data(), c.width, 4, 24, c.pitch, 0x0000FF, 0x00FF00, 0xFF0000, 0);
        ASSERT_NE(s, nullptr);
        ASSERT_TRUE(uploadTexture(s, 0, names));
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(bound, static_cast<GLint>(names[0]));
        expectRows(kRows);
        GLint alignment = 0;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        EXPECT_EQ(alignment, 4) << "the unpack alignment is given back";
    }
}

TEST_F(Upload, LoadedPicturesOfOddWidthUploadAsTheyLook)
{
    std::vector<Rgb> pixels;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) pixels.push_back(kRows[y]);
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, 5, 4, 24, 0x0000FF, 0x00FF00, 0xFF0000, 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) std::memcpy(static_cast<Uint8*>(s->pixels) + y * s->pitch + x * 3, &kRows[y], 3);
    char file[] = "/tmp/images_test_odd_XXXXXX.bmp";
    int fd = mkstemps(file, 4);
    ASSERT_GE(fd, 0);
    close(fd);
    ASSERT_EQ(SDL_SaveBMP(s, file), 0);
    SDL_FreeSurface(s);

    SDL_Surface* rgb = loadImageRgb(file);
    ASSERT_NE(rgb, nullptr);
    ASSERT_TRUE(uploadTexture(rgb, 1, names));
    expectRows(kRows);

    SDL_Surface* keyed = loadImageKeyed(file);
    std::remove(file);
    ASSERT_NE(keyed, nullptr);
    ASSERT_TRUE(uploadTexture(keyed, 0, names));
    GLint format = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    EXPECT_TRUE(format == 4 || format == GL_RGBA || format == GL_RGBA8) << format;
    expectRows(kRows);
}

TEST_F(Upload, SixteenBitAndPalettedPicturesUploadAsRgb)
{
    // 5-6-5: SDL widens 5 bits to 8 by shifting, so white comes back as 248.
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, 2, 4, 16, 0xF800, 0x07E0, 0x001F, 0);
    ASSERT_EQ(s->format->BytesPerPixel, 2);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 2; ++x) {
            Uint16 v = static_cast<Uint16>(SDL_MapRGB(s->format, kRows[y].r, kRows[y].g, kRows[y].b));
            std::memcpy(static_cast<Uint8*>(s->pixels) + y * s->pitch + x * 2, &v, 2);
        }
    ASSERT_TRUE(uploadTexture(s, 0, names));
    expectRows(kRows, 8);

    SDL_Surface* p = SDL_CreateRGBSurface(SDL_SWSURFACE, 3, 4, 8, 0, 0, 0, 0);
    ASSERT_EQ(p->format->BytesPerPixel, 1);
    SDL_Color palette[4];
    for (int i = 0; i < 4; ++i) palette[i] = SDL_Color{kRows[i].r, kRows[i].g, kRows[i].b, 0};
    SDL_SetColors(p, palette, 0, 4);
    for (int y = 0; y < 4; ++y) std::memset(static_cast<Uint8*>(p->pixels) + y * p->pitch, y, 3);
    ASSERT_TRUE(uploadTexture(p, 1, names));
    expectRows(kRows);
}

}  // namespace
