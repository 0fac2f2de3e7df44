// Test objects written as text (objects/*.lwt, refusals.lwt), assembled into bytes:
//   ID { ... }           a chunk: U4 size at the top two levels (the FORM and its chunks),
//                        U2 size below (sub-chunks); odd sizes get their pad byte
//   u1 u2 u4 i2 f4 vx    the type of the numbers that follow (hex allowed)
//   id s0 raw            the type of the words or "quoted strings" that follow
//                        (\xNN escapes); raw writes no NUL
//   cut N                ends the file after N bytes
//   case WORDS... =      starts the next case of a file of several (its words are kept)
// A `#` starts a comment up to the end of the line.
#pragma once
#include <cctype>
#include <cstdlib>
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
    std::vector<size_t> open;  // size positions of the open chunks
    LwWriter w;
    std::string type = "u2";
    for (size_t i = 0; i < t.size(); ++i) {
        const std::string& s = t[i];
        bool word = !quoted[i];
        if (word && s == "case") {
            if (!w.bytes.empty()) cases.back().bytes = w.bytes, cases.emplace_back(), w.bytes.clear();
            while (++i < t.size() && !(t[i] == "=" && !quoted[i])) cases.back().words.push_back(t[i]);
        } else if (i + 1 < t.size() && t[i + 1] == "{" && !quoted[i + 1]) {
            w.id(s.c_str());
            open.push_back(w.bytes.size());
            open.size() <= 2 ? w.u4(0) : w.u2(0);
            ++i;
        } else if (word && s == "}") {
            size_t mark = open.back(), wide = open.size() <= 2 ? 4 : 2, size = w.bytes.size() - mark - wide;
            for (size_t k = 0; k < wide; ++k) w.bytes[mark + k] = uint8_t(size >> (8 * (wide - 1 - k)));
            if (size & 1) w.u1(0);
            open.pop_back();
        } else if (word && s == "cut") {
            w.bytes.resize(std::stoul(t[++i]));
        } else if (word && (s == "u1" || s == "u2" || s == "u4" || s == "i2" || s == "f4" || s == "vx" ||
                            s == "id" || s == "s0" || s == "raw")) {
            type = s;
        } else if (type == "id") {
            w.id(s.c_str());
        } else if (type == "s0" || type == "raw") {
            type == "s0" ? w.s0(s.c_str()) : w.raw(s.data(), s.size());
        } else if (type == "f4") {
            w.f4(std::strtof(s.c_str(), nullptr));
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
