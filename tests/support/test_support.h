// Helpers shared by every test program: captured reports, whole files,
// pictures written as BMP, and a private folder per test.
#pragma once
#include <functional>
#include <string>
#include <vector>

// Standard output of what `run` prints with the toolkit's verbose level set
// to `level` (the level is put back afterwards).
std::string captureVerbose(const std::function<void()>& run, unsigned char level = 1);

// The whole file, or an empty string when it cannot be read.
std::string readWholeFile(const std::string& path);
bool writeWholeFile(const std::string& path, const std::string& bytes);

// The rows of a table of cases kept in a text file: every line that is neither
// blank nor a comment ("#" first), cut at each "|" into fields without the
// spaces around them. A row of fewer than `fields` fields fails the test and
// is filled up with empty ones.
std::vector<std::vector<std::string>> readCases(const std::string& path, size_t fields);
// The numbers of a field, in order.
std::vector<float> numbersIn(const std::string& field);

struct Rgb8 {
    unsigned char r, g, b;
};

// A 24-bit BMP of w x h pixels, given row by row from the top.
bool writeBmp(const std::string& path, int w, int h, const std::vector<Rgb8>& pixels);
// An 8 x 8 picture of one colour.
bool writeSolidBmp(const std::string& path, Rgb8 colour);

// A fresh, empty folder for the running test (below the working folder),
// named after the test; created on first use.
std::string testFolder();
