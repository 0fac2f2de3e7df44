// Test objects written as text (objects/*.lwt, refusals.lwt), assembled into bytes:
//   ID { ... }           a chunk: U4 size at the top two levels (the FORM and its chunks),
//                        U2 size below (sub-chunks), U4 at every level once `id LWO3`
//                        is written; odd sizes get their pad byte
//   u1 u2 u4 i2 f4 f8 vx the type of the numbers that follow (hex allowed)
//   id s0 raw            the type of the words or "quoted strings" that follow
//                        (\xNN escapes); raw writes no NUL
//   cut N                ends the file after N bytes
//   case WORDS... =      starts the next case of a file of several (its words are kept)
// A `#` starts a comment up to the end of the line.
#pragma once
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "lwwriter.h"

struct LwtCase {
    std::vector<std::string> words;  // after `case`
    std::vector<unsigned char> bytes;
};

inline std::vector<std::string> lwtTokens(const std::string& text, std::vector<bool>* quoted)
{
    std::vector<std::string> out;
    for (size_t i = 0; i < text.size();) {
        char c = text[i];
        if (c == '#') {
            while (i < text.size() && text[i] != '\n') ++i;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (c == '"') {
            std::string s;
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\' && text[i + 1] == 'x') s += char(std::stoi(text.substr(i + 2, 2), nullptr, 16)), i += 3;
                else s += text[i];
            }
            ++i;
            out.push_back(s), quoted->push_back(true);
        } else {
            size_t start = i;
            while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])) && text[i] != '"') ++i;
            out.push_back(text.substr(start, i - start)), quoted->push_back(false);
        }
    }
    return out;
}

inline std::vector<LwtCase> lwtCases(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    std::vector<bool> quoted;
    std::vector<std::string> t = lwtTokens(text.str(), &quoted);
    std::vector<LwtCase> cases(1);
    std::vector<size_t> open, wide;  // size positions and widths of the open chunks
    bool lwo3 = false;
    LwWriter w;
    std::string type = "u2";
    for (size_t i = 0; i < t.size(); ++i) {
        const std::string& s = t[i];
        bool word = !quoted[i];
        if (word && s == "case") {
            if (!w.bytes.empty()) cases.back().bytes = w.bytes, cases.emplace_back(), w.bytes.clear();
            lwo3 = false;
            while (++i < t.size() && !(t[i] == "=" && !quoted[i])) cases.back().words.push_back(t[i]);
        } else if (i + 1 < t.size() && t[i + 1] == "{" && !quoted[i + 1]) {
            w.id(s.c_str());
            open.push_back(w.bytes.size());
            wide.push_back(open.size() <= 2 || lwo3 ? 4 : 2);
            wide.back() == 4 ? w.u4(0) : w.u2(0);
            ++i;
        } else if (word && s == "}") {
            size_t mark = open.back(), n = wide.back(), size = w.bytes.size() - mark - n;
            for (size_t k = 0; k < n; ++k) w.bytes[mark + k] = uint8_t(size >> (8 * (n - 1 - k)));
            if (size & 1) w.u1(0);
            open.pop_back(), wide.pop_back();
        } else if (word && s == "cut") {
            w.bytes.resize(std::stoul(t[++i]));
        } else if (word && (s == "u1" || s == "u2" || s == "u4" || s == "i2" || s == "f4" || s == "f8" || s == "vx" ||
                            s == "id" || s == "s0" || s == "raw")) {
            type = s;
        } else if (type == "id") {
            w.id(s.c_str());
            lwo3 = lwo3 || s == "LWO3";
        } else if (type == "s0" || type == "raw") {
            type == "s0" ? w.s0(s.c_str()) : w.raw(s.data(), s.size());
        } else if (type == "f4") {
            w.f4(std::strtof(s.c_str(), nullptr));
        } else if (type == "f8") {
            double d = std::strtod(s.c_str(), nullptr);
            uint64_t b;
            std::memcpy(&b, &d, 8);
            for (int k = 7; k >= 0; --k) w.u1(unsigned(b >> (8 * k)) & 0xFF);
        } else {
            long v = std::strtol(s.c_str(), nullptr, 0);
            if (type == "u1") w.u1(unsigned(v));
            else if (type == "u4") w.u4(uint32_t(std::strtoul(s.c_str(), nullptr, 0)));
            else if (type == "vx") w.vx(uint32_t(v));
            else w.u2(unsigned(v));  // u2, i2
        }
    }
    cases.back().bytes = w.bytes;
    return cases;
}
