// Picture loading layouts, the black key, refusals, and texture upload
// checked on the texels OpenGL actually stored.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "test_support.h"
#include "toolkit.h"

namespace {

const Uint8* pixelAt(const SDL_Surface* s, int i)
{
    return static_cast<const Uint8*>(s->pixels) + (i / s->w) * s->pitch + (i % s->w) * s->format->BytesPerPixel;
}

}  // namespace

TEST(FixPathSeparators, TurnsEveryBackslashIncludingTheFirst)
{
    char name[] = "\\Datas\\Objets/tux.lwo";
    fixPathSeparators(name);
    EXPECT_STREQ(name, "/Datas/Objets/tux.lwo");
    fixPathSeparators(nullptr);  // none is left alone
}

// Bytes lie red, green, blue (, alpha); the key marks pure black only.
TEST(LoadImage, RgbAndKeyedLayouts)
{
    const std::vector<Rgb8> colours = {{0, 0, 0}, {0, 0, 1}, {0, 1, 0}, {1, 0, 0}, {200, 100, 50}, {0, 0, 0}};
    std::string file = testFolder() + "/mixed.bmp";
    ASSERT_TRUE(writeBmp(file, 3, 2, colours));
    for (int keyed = 0; keyed < 2; ++keyed) {
        SDL_Surface* s = keyed ? loadImageKeyed(file.c_str()) : loadImageRgb(file.c_str());
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->format->BytesPerPixel, keyed ? 4 : 3);
        for (int i = 0; i < 6; ++i) {
            const Uint8* p = pixelAt(s, i);
            EXPECT_EQ(p[0], colours[i].r) << i;
            EXPECT_EQ(p[1], colours[i].g) << i;
            EXPECT_EQ(p[2], colours[i].b) << i;
            if (keyed) { EXPECT_EQ(p[3], colours[i].r + colours[i].g + colours[i].b == 0 ? 255 : 0) << i; }
        }
        SDL_FreeSurface(s);
    }
}

// Files that are no picture, or a JPEG cut inside its data, load as none with
// the warning; the whole name is reported, however long. A JPEG whose data is
// whole but which lacks the end marker loads as the whole file does.
TEST(LoadImage, RefusesWhatIsNoWholePicture)
{
    std::string jpeg = readWholeFile("Datas/Flares1-Light.jpg");
    ASSERT_GT(jpeg.size(), 1000u) << "the data generator writes Datas/ into the build folder";
    std::string noise(4096, 0);
    unsigned state = 12345;
    for (char& b : noise) b = static_cast<char>((state = state * 1103515245u + 12345u) >> 16);
    const std::string dir = testFolder();
    const struct {
        std::string name, bytes;
    } cases[] = {
        {dir + "/" + std::string(200, 'n') + ".jpg", ""},  // never written: missing
        {dir + "/noise.jpg", noise},
        {dir + "/empty.bmp", std::string()},
        {dir + "/cut2.jpg", jpeg.substr(0, 2)},
        {dir + "/cut300.jpg", jpeg.substr(0, 300)},
        {dir + "/half.jpg", jpeg.substr(0, jpeg.size() / 2)},
        {dir + "/last-bytes.jpg", jpeg.substr(0, jpeg.size() - 12)},
    };
    SDL_Surface* whole = loadImageRgb("Datas/Flares1-Light.jpg");
    ASSERT_NE(whole, nullptr);
    ASSERT_EQ(jpeg.substr(jpeg.size() - 2), "\xFF\xD9");
    ASSERT_TRUE(writeWholeFile(dir + "/no-end.jpg", jpeg.substr(0, jpeg.size() - 2)));
    SDL_Surface* noEnd = loadImageRgb((dir + "/no-end.jpg").c_str());
    ASSERT_NE(noEnd, nullptr);
    ASSERT_EQ(noEnd->h * noEnd->pitch, whole->h * whole->pitch);
    EXPECT_EQ(std::memcmp(noEnd->pixels, whole->pixels, size_t(whole->h * whole->pitch)), 0);
    SDL_FreeSurface(noEnd);
    SDL_FreeSurface(whole);
    for (const auto& c : cases) {
        if (c.name != cases[0].name) { ASSERT_TRUE(writeWholeFile(c.name, c.bytes)); }
        std::string out = captureVerbose([&] {
            EXPECT_EQ(loadImageRgb(c.name.c_str()), nullptr) << c.name;
            EXPECT_EQ(loadImageKeyed(c.name.c_str()), nullptr) << c.name;
        });
        std::string line = "[TovikTools Warning]:: Attention, <Impossible de charger:'" + c.name + "'>\n";
        EXPECT_EQ(out, line + line);
    }
    EXPECT_EQ(captureVerbose([] { loadImageRgb("absent.png"); }, 0), "");
}

namespace {

const std::vector<Rgb8> rows = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};

struct Upload : testing::Test {
    static void SetUpTestSuite() { openDisplay(64, 64, 0, 0, 1); }
    void SetUp() override { glGenTextures(2, names); }
    void TearDown() override { glDeleteTextures(2, names); }

    // Every texel of level 0 of the bound texture carries its row's colour.
    void expectRows(int tolerance)
    {
        int w = 0, h = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        ASSERT_EQ(h, 4);
        std::vector<Uint8> t(static_cast<size_t>(w) * h * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, t.data());
        for (size_t i = 0; i < t.size(); i += 3) {
            const Rgb8& c = rows[i / 3 / w];
            EXPECT_NEAR(t[i], c.r, tolerance) << "texel " << i / 3;
            EXPECT_NEAR(t[i + 1], c.g, tolerance) << "texel " << i / 3;
            EXPECT_NEAR(t[i + 2], c.b, tolerance) << "texel " << i / 3;
        }
    }

    GLuint names[2] = {0, 0};
};

// A picture 4 rows high, each row one colour, of 1 to 4 bytes per pixel;
// a 24-bit one has rows `pitch` bytes apart, the padding a colour that must never show.
SDL_Surface* rowPicture(int bytesPerPixel, int width, int pitch, std::vector<Uint8>& bytes)
{
    if (bytesPerPixel == 3) {
        bytes.assign(static_cast<size_t>(pitch) * 4, 0x80);
        for (int i = 0; i < 4 * width; ++i) std::memcpy(&bytes[(i / width) * pitch + (i % width) * 3], &rows[i / width], 3);
        return SDL_CreateRGBSurfaceFrom(bytes.data(), width, 4, 24, pitch, 0x0000FF, 0x00FF00, 0xFF0000, 0);
    }
    SDL_Surface* s = bytesPerPixel == 4 ? SDL_CreateRGBSurface(SDL_SWSURFACE, width, 4, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000)
                     : bytesPerPixel == 2 ? SDL_CreateRGBSurface(SDL_SWSURFACE, width, 4, 16, 0xF800, 0x07E0, 0x001F, 0)
                                          : SDL_CreateRGBSurface(SDL_SWSURFACE, width, 4, 8, 0, 0, 0, 0);
    if (bytesPerPixel == 1) {
        SDL_Color palette[4];
        for (int i = 0; i < 4; ++i) palette[i] = SDL_Color{rows[i].r, rows[i].g, rows[i].b, 0};
        SDL_SetColors(s, palette, 0, 4);
    }
    for (int i = 0; i < 4 * width; ++i) {
        Uint32 v = bytesPerPixel == 1 ? Uint32(i / width) : SDL_MapRGB(s->format, rows[i / width].r, rows[i / width].g, rows[i / width].b);
        std::memcpy(static_cast<Uint8*>(s->pixels) + (i / width) * s->pitch + (i % width) * bytesPerPixel, &v, bytesPerPixel);
    }
    return s;
}

}  // namespace

TEST_F(Upload, NoSurfaceIsRefusedAndBindsNothing)
{
    glBindTexture(GL_TEXTURE_2D, names[1]);
    EXPECT_FALSE(uploadTexture(nullptr, 0, names, textureRepeat, textureRepeat));
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, static_cast<GLint>(names[1]));
}

// Width 2 goes to OpenGL as it is, widths 3 and 5 are resampled to 4 first;
// rows are read without skew whatever the pitch. 16-bit and paletted
// pictures go as RGB (5-6-5 comes back with white as 248).
TEST_F(Upload, PicturesOfEveryPixelSizeAndPitchUploadAsTheyLook)
{
    const struct {
        int bytesPerPixel, width, pitch, tolerance;
    } cases[] = {{3, 2, 6, 1}, {3, 2, 7, 1}, {3, 2, 8, 1}, {3, 2, 16, 1}, {3, 3, 9, 1}, {3, 3, 10, 1},
                 {3, 3, 12, 1}, {3, 3, 21, 1}, {4, 5, 0, 1}, {2, 2, 0, 8}, {1, 3, 0, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.bytesPerPixel) + " bytes, width " + std::to_string(c.width) + " pitch " +
                     std::to_string(c.pitch));
        std::vector<Uint8> bytes;
        SDL_Surface* s = rowPicture(c.bytesPerPixel, c.width, c.pitch, bytes);
        const TextureWrap wrap = c.width == 2 ? textureRepeat : textureClampToEdge;
        const TextureWrap down = c.width == 3 ? textureMirroredRepeat : wrap;
        ASSERT_TRUE(uploadTexture(s, 1, names, wrap, down));
        GLint bound = 0, alignment = 0, format = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(bound, static_cast<GLint>(names[1]));
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        EXPECT_EQ(format == 4 || format == GL_RGBA || format == GL_RGBA8, c.bytesPerPixel == 4) << format;
        // Linear mipmapped filtering and the wrap mode asked for.
        GLint parameters[4] = {};
        const GLenum parameterNames[4] = {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER, GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T};
        for (int i = 0; i < 4; ++i) glGetTexParameteriv(GL_TEXTURE_2D, parameterNames[i], &parameters[i]);
        const GLint mode = wrap == textureRepeat ? GL_REPEAT : GL_CLAMP_TO_EDGE;
        const GLint modeDown = c.width == 3 ? GL_MIRRORED_REPEAT : mode;
        EXPECT_EQ(std::vector<GLint>(parameters, parameters + 4),
                  (std::vector<GLint>{GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, mode, modeDown}));
        expectRows(c.tolerance);
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        EXPECT_EQ(alignment, 4) << "the unpack alignment is given back";
    }
}
