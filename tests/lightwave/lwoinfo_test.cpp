// The lwo-info tool, run on files made by the writer.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include "lwtest.h"

namespace {
struct ToolRun {
    std::string out;
    int status;
};

ToolRun run(const std::string& args)
{
    ToolRun r;
    FILE* p = popen((std::string(LWO_INFO) + " " + args).c_str(), "r");
    char buf[4096];
    size_t n;
    while (p && (n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int status = p ? pclose(p) : -1;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string tempFile(const std::vector<unsigned char>& bytes)
{
    char path[] = "/tmp/lwinfoXXXXXX";
    int fd = mkstemp(path);
    if (fd >= 0) close(fd);
    LwWriter w;
    w.bytes = bytes;
    w.save(path);
    return path;
}
}  // namespace

TEST(LwoInfo, JsonLinePerFileWithTheFacts)
{
    std::string good = tempFile(lwwSampleObject());
    std::vector<unsigned char> cutBytes = lwwCube(0.0f);
    cutBytes.resize(70);
    std::string cut = tempFile(cutBytes);
    ToolRun r = run("--json " + good + " " + cut);
    std::remove(good.c_str());
    std::remove(cut.c_str());
    EXPECT_EQ(r.status, 1);
    size_t newline = r.out.find('\n');
    ASSERT_NE(newline, std::string::npos);
    std::string first = r.out.substr(0, newline);
    std::string second = r.out.substr(newline + 1);
    EXPECT_EQ(first.find("LwLoader"), std::string::npos);  // the reader's lines stay out
    EXPECT_NE(first.find("\"ok\":true"), std::string::npos);
    EXPECT_NE(first.find("\"form\":\"LWO2\""), std::string::npos);
    EXPECT_NE(first.find("{\"name\":\"first\",\"number\":1,\"parent\":0,\"points\":8,\"polygons\":6,\"corners\":24,"
                         "\"histogram\":{\"4\":6},\"bbox\":[-0.5,-0.5,-0.5,0.5,0.5,0.5]}"),
              std::string::npos)
        << first;
    EXPECT_NE(first.find("\"name\":\"second\",\"number\":2,\"parent\":1,\"points\":3,\"polygons\":1,\"corners\":3"),
              std::string::npos);
    EXPECT_NE(first.find("\"texture\":{\"type\":\"IMAP\",\"projection\":\"cylindrical\",\"axis\":1,"
                         "\"size\":[1,1,1],\"center\":[0,0,0],\"clip\":1,\"image\":\"Images/red.jpg\"}"),
              std::string::npos)
        << first;
    EXPECT_NE(first.find("\"smoothAngle\":1.20000005"), std::string::npos);
    EXPECT_NE(first.find("{\"index\":2,\"kind\":\"ISEQ\",\"name\":\"Images/seq\"}"), std::string::npos);
    EXPECT_NE(first.find("{\"index\":1,\"name\":\"Position.X\",\"keys\":3}"), std::string::npos);
    EXPECT_NE(first.find("{\"layer\":1,\"name\":\"uvmap\",\"type\":\"TXUV\",\"dimension\":2,\"entries\":1,"
                         "\"perPolygon\":true}"),
              std::string::npos);
    EXPECT_NE(second.find("\"ok\":false,\"form\":\"LWO2\",\"failId\":\"PNTS\",\"failPos\":70}"), std::string::npos)
        << second;
}

TEST(LwoInfo, TextReportAndExitStatus)
{
    std::string good = tempFile(lwwCube(1.5f, true, 2));
    ToolRun r = run(good);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("form LWO2, 1 layers, 1 surfaces, 1 clips, 0 envelopes"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("8 points, 6 polygons (4 corners x 6)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("colour texture IMAP spherical axis Z"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("clip 1 \"Images/cube.jpg\""), std::string::npos) << r.out;
    ToolRun missing = run(good + " /nonexistent.lwo");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find("/nonexistent.lwo: failed"), std::string::npos);
    std::remove(good.c_str());
}
