// The renderer from the outside: its answers, its pictures, and its refusals of bad input.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "game/digest.hpp"
#include "png_read.hpp"
#include "tools/render_args.hpp"
#include "tools/render_report.hpp"

namespace pellwick {
namespace {

namespace fs = std::filesystem;

struct RunResult {
    int status;
    std::string out;  // stdout and stderr together
};

RunResult render(const std::string& args) {
    const std::string cmd = std::string(PELLWICK_RENDER_BIN) + " " + args + " 2>&1";
    std::FILE* p = popen(cmd.c_str(), "r");
    RunResult r{-1, {}};
    if (p == nullptr) return r;
    std::array<char, 4096> buf{};
    while (std::fgets(buf.data(), buf.size(), p) != nullptr) r.out += buf.data();
    const int raw = pclose(p);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

class TempDir {
public:
    TempDir() {
        char name[] = "/tmp/pellwick-test-XXXXXX";
        path_ = mkdtemp(name);
    }
    ~TempDir() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }
    bool empty() const { return fs::is_empty(path_); }

private:
    fs::path path_;
};

TEST(RenderCli, BadInputIsRefusedWithStatusTwoAndNoFile) {
    const std::pair<const char*, const char*> cases[] = {
        {"--frobnicate", "unknown option"},
        {"--size 12by3", "malformed size"},
        {"--size 0x5", "positive"},
        {"--size -3x4", "positive"},
        {"--size 16385x10", "too large"},
        {"--ticks -1", "negative"},
        {"--ticks 1e3", "whole number"},
        {"--click -2", "negative"},
        {"--ticks 10 --click 11", "after the last tick"},
        {"--ticks 10 --resize 11:20x20", "after the last tick"},
        {"--resize 5", "malformed --resize"},
        {"--ticks", "needs a value"},
        {"--gif GIF --frame-every 0", "--frame-every needs a whole number of ticks from 1 up, not '0'"},
        {"--gif GIF --frame-every -5", "--frame-every needs a whole number"},
        {"--gif GIF --frame-every 2.5", "--frame-every needs a whole number"},
        {"--frame-every 10", "applies to --gif only"},
        {"--gif", "--gif needs a file name"},
        {"--gif --json", "--gif needs a file name"},
        {"--gif=", "--gif needs a file name"},
        {"--seed 18446744073709551616", "--seed needs a whole number from 0 to 18446744073709551615, not '18446744073709551616'"},
        {"--seed -1", "--seed needs a whole number"},
        {"--seed 0x10", "--seed needs a whole number"},
        {"--seed=", "--seed needs a whole number"},
        {"--first-game 5x", "--first-game needs 0 to 1000000 seconds, not '5x'"},
        {"--new-game 2e6", "--new-game needs 0 to 1000000 seconds, not '2e6'"},
    };
    for (auto [args, message] : cases) {
        TempDir dir;
        std::string line = args;
        if (const auto at = line.find("GIF"); at != std::string::npos) line.replace(at, 3, (dir.path() / "out.gif").string());
        const RunResult r = render(line + " --png " + (dir.path() / "out.png").string());
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.out.find(message), std::string::npos) << args << " said: " << r.out;
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << args;
        EXPECT_TRUE(dir.empty()) << args;
    }
}

TEST(RenderCli, UnwritablePicturesFailCleanlyAndLeaveNothing) {
    TempDir dir;
    fs::create_directory(dir.path() / "sub");
    for (const char* format : {"--png", "--gif"}) {
        for (const fs::path& target : {dir.path() / "missing" / "x", dir.path() / "sub"}) {
            const RunResult r = render(std::string("--ticks 5 ") + format + " " + target.string());
            EXPECT_EQ(r.status, 2) << format << " " << target;
            EXPECT_NE(r.out.find("cannot write '" + target.string() + "'"), std::string::npos) << r.out;
        }
        const RunResult full = render(std::string("--ticks 5 ") + format + " /dev/full");
        EXPECT_EQ(full.status, 2);
        EXPECT_NE(full.out.find("No space left"), std::string::npos) << full.out;
    }
    EXPECT_TRUE(fs::is_empty(dir.path() / "sub"));
}

TEST(RenderCli, WritesThePictureOfTheFieldAndReportsItsShares) {
    TempDir dir;
    const fs::path png = dir.path() / "game.png";
    {
        std::ofstream(png) << "an older picture";
    }
    chmod(png.c_str(), 0640);
    const RunResult r = render("--size 90x70 --ticks 50 --click 0 --resize 50:80x60 --json --png " + png.string());
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.rfind("{\"ticks\":50,\"width\":80,\"height\":60,\"deaths\":", 0), 0U) << r.out;

    const Picture pic = readPng(png.string());
    RenderOptions o = *parseRenderArgs({"--size", "90x70", "--ticks", "50", "--click", "0", "--resize", "50:80x60"})
                           .options;
    const App app = renderGame(o);
    const World& w = app.world();
    ASSERT_EQ(pic.width, 80);
    EXPECT_TRUE(std::equal(pic.pixels.begin(), pic.pixels.end(), w.field.pixels()));
    EXPECT_EQ(fs::status(png).permissions() & fs::perms::all, fs::perms(0640)) << "replacing keeps the mode";
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    const PixelCounts c = countPixels(w.field);
    EXPECT_EQ(c.background + c.ink + c.team[0] + c.team[1] + c.team[2] + c.team[3] + c.other, 80U * 60U);
    EXPECT_NE(r.out.find("\"ink\":" + std::to_string(c.ink)), std::string::npos);
}

// Seed 0 is the game's own stream, the one the known answers were computed on; any other seed is another
// stream, the same run after run, and the run's JSON names it.
TEST(RenderCli, ASeedSelectsTheRandomStream) {
    // The JSON's end: "seed":"N","state":"DIGEST"}
    const auto tail = [](const std::string& args) {
        const RunResult r = render("--size 200x150 --ticks 600 --click 0 --json " + args);
        EXPECT_EQ(r.status, 0) << r.out;
        return r.out.substr(std::min(r.out.size(), r.out.find("\"seed\":")));
    };
    const auto digest = [](const std::string& t) { return t.substr(std::min(t.size(), t.find("\"state\":"))); };
    const std::string none = tail(""), zero = tail("--seed 0"), one = tail("--seed 1"), max = tail("--seed 18446744073709551615");
    EXPECT_EQ(zero, none);
    EXPECT_EQ(zero.rfind("\"seed\":\"0\",\"state\":", 0), 0U) << zero;
    EXPECT_EQ(tail("--seed=1"), one) << "the same seed twice";
    EXPECT_NE(digest(one), digest(zero));
    EXPECT_NE(digest(one), digest(max));
    EXPECT_EQ(max.rfind("\"seed\":\"18446744073709551615\"", 0), 0U) << max;

    TempDir dir;
    const fs::path png = dir.path() / "game.png";
    ASSERT_EQ(render("--size 200x150 --ticks 600 --click 0 --seed 0 --png " + png.string()).status, 0);
    const Picture known = readPng(std::string(PELLWICK_TEST_DATA) + "/game-200x150.png"), seeded = readPng(png.string());
    EXPECT_FALSE(known.pixels.empty());
    EXPECT_EQ(known.pixels, seeded.pixels) << "--seed 0 draws the known answer";
}

// A saver's schedule, played by the renderer, is the run a saver of that seed and size plays.
TEST(RenderCli, PlaysASaversOwnGames) {
    const RunResult r = render("--size 90x70 --ticks 400 --seed 5 --first-game 0.05 --new-game 0.12 --json");
    ASSERT_EQ(r.status, 0) << r.out;
    App saver(90, 70, AppSettings{WHITE, InputRules::EndOnInput, SaverTimes{0.05, 0.12}, 5});
    while (saver.ticks() < 400) saver.tickNow();
    EXPECT_NE(r.out.find("\"state\":\"" + digestText(stateDigest(saver.world())) + "\""), std::string::npos) << r.out;
    EXPECT_EQ(render("--size 90x70 --ticks 400 --seed 5 --first-game 0.05 --json").out,
              render("--size 90x70 --ticks 400 --seed 5 --first-game 0.05 --new-game 180 --json").out)
        << "the other interval keeps the saver's default";
}

TEST(RenderCli, HelpVersionAndPlainSummary) {
    const RunResult v = render("--version");
    EXPECT_EQ(v.status, 0);
    EXPECT_NE(v.out.find("1.00"), std::string::npos);
    const RunResult h = render("--help");
    EXPECT_EQ(h.status, 0);
    EXPECT_NE(h.out.find("--resize T:WxH"), std::string::npos);
    const RunResult s = render("--size 40x30 --ticks 3");
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(s.out.rfind("ticks 3, size 40x30, deaths 0, background ", 0), 0U) << s.out;
}

TEST(RenderArgs, EventsRunInTickOrderThenCommandLineOrder) {
    const ParseResult r = parseRenderArgs(
        {"--ticks=9", "--resize", "4:10x10", "--click", "9", "--click", "4", "--resize", "0:5x5", "--click", "0"});
    ASSERT_TRUE(r.options) << r.error;
    const auto& e = r.options->events;
    ASSERT_EQ(e.size(), 5U);
    EXPECT_TRUE(e[0].at == 0 && e[0].kind == RenderEvent::Kind::Resize);
    EXPECT_TRUE(e[1].at == 0 && e[1].kind == RenderEvent::Kind::Click);
    EXPECT_TRUE(e[2].at == 4 && e[2].kind == RenderEvent::Kind::Resize);
    EXPECT_TRUE(e[3].at == 4 && e[3].kind == RenderEvent::Kind::Click);
    EXPECT_EQ(e[4].at, 9U);
}

}  // namespace
}  // namespace pellwick

namespace pellwick {
namespace {

TEST(RenderCli, FailedWriteLeavesTheOldPictureWhole) {
    for (const char* format : {"--png", "--gif"}) {
        TempDir dir;
        const fs::path file = dir.path() / "keep";
        std::ofstream(file) << "the older picture";
        // A file-size limit of 8 KiB makes the new picture's write fail part-way.
        const std::string cmd = "ulimit -f 8; exec " + std::string(PELLWICK_RENDER_BIN) + " --size 1500x1500 --ticks 300 --click 0 " +
                                format + " " + file.string() + " 2>&1";
        std::FILE* p = popen(("sh -c '" + cmd + "'").c_str(), "r");
        ASSERT_NE(p, nullptr);
        std::string out;
        std::array<char, 512> buf{};
        while (std::fgets(buf.data(), buf.size(), p) != nullptr) out += buf.data();
        const int raw = pclose(p);
        EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 2) << format << ": " << out;
        EXPECT_NE(out.find("File too large"), std::string::npos) << out;
        std::ifstream in(file);
        std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(content, "the older picture") << format;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1) << "no temporary left";
    }
}

TEST(RenderCli, InterruptedRunLeavesNoTemporaryFile) {
    TempDir dir;
    const fs::path png = dir.path() / "big.png";
    // A large picture takes long enough to encode that the signal lands while it is being written.
    const std::string cmd = std::string(PELLWICK_RENDER_BIN) + " --size 8000x8000 --ticks 0 --png " +
                            png.string() + " >/dev/null 2>&1 & pid=$!; " + "while [ -z \"$(find " +
                            dir.path().string() + " -type f -size +0)\" ]; do sleep 0.01; done; kill -INT $pid; wait $pid";
    const int raw = std::system(("sh -c '" + cmd + "'").c_str());
    EXPECT_NE(raw, 0);
    EXPECT_TRUE(dir.empty());
}

}  // namespace
}  // namespace pellwick
