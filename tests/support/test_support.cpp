#include "test_support.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "toolkit.h"

std::string captureVerbose(const std::function<void()>& run, unsigned char level)
{
    unsigned char saved = verbose;
    verbose = level;
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    run();
    std::fflush(stdout);
    verbose = saved;
    return testing::internal::GetCapturedStdout();
}

std::string readWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::vector<std::string>> readCases(const std::string& path, size_t fields)
{
    std::vector<std::vector<std::string>> rows;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (line.find_first_not_of(' ') == std::string::npos || line[0] == '#') continue;
        rows.emplace_back();
        for (size_t at = 0, end = 0; end != std::string::npos; at = end + 1) {
            end = line.find('|', at);
            std::string field = line.substr(at, end == std::string::npos ? end : end - at);
            field.erase(0, field.find_first_not_of(' '));
            rows.back().push_back(field.erase(field.find_last_not_of(' ') + 1));
        }
        EXPECT_GE(rows.back().size(), fields) << "too few fields in " << path << ": " << line;
        if (rows.back().size() < fields) rows.back().resize(fields);
    }
    EXPECT_FALSE(rows.empty()) << "no cases in " << path;
    return rows;
}

std::vector<float> numbersIn(const std::string& field)
{
    std::istringstream in(field);
    std::vector<float> numbers;
    for (float x; in >> x;) numbers.push_back(x);
    return numbers;
}

bool writeWholeFile(const std::string& path, const std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool writeBmp(const std::string& path, int w, int h, const std::vector<Rgb8>& pixels)
{
    static_assert(sizeof(Rgb8) == 3, "pixels lie as the bytes of a 24-bit surface");
    if (w <= 0 || h <= 0 || pixels.size() != size_t(w) * size_t(h)) return false;
    std::vector<Rgb8> rows = pixels;  // SDL wants a buffer it may write
    SDL_Surface* s = SDL_CreateRGBSurfaceFrom(rows.data(), w, h, 24, w * 3, 0x0000FF, 0x00FF00, 0xFF0000, 0);
    bool ok = s && SDL_SaveBMP(s, path.c_str()) == 0;
    SDL_FreeSurface(s);
    return ok;
}

bool writeSolidBmp(const std::string& path, Rgb8 colour)
{
    return writeBmp(path, 8, 8, std::vector<Rgb8>(64, colour));
}

std::string testFolder()
{
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string leaf = test ? std::string(test->test_suite_name()) + "." + test->name() : "no-test";
    for (char& c : leaf)
        if (c == '/') c = '_';  // parameterised tests have slashes in their names
    std::string name = "test-files/" + leaf;
    static std::string made;
    if (made != name) {
        std::error_code ignored;
        std::filesystem::remove_all(name, ignored);
        std::filesystem::create_directories(name, ignored);
        made = name;
    }
    return name;
}
