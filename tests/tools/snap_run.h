// snap_run.h -- boxcity-snap run by a test as a user would run it: each test
// gets an empty folder for the tool's files, and the tool's output streams go
// beside that folder, so "nothing written" means the folder stays empty.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

// Bytes as a string: easy to compare and to search.
inline std::string readFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Outcome {
    int status;                        // exit status, -1 when killed
    std::string out, err;
};

class SnapRun : public ::testing::Test {
protected:
    fs::path base, dir;

    void SetUp() override
    {
        char tmpl[] = "/tmp/snaptest-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        base = tmpl;
        dir = base / "files";
        fs::create_directory(dir);
    }
    void TearDown() override { fs::remove_all(base); }

    // Shell text that runs the tool. args is shell text too; every %D in it
    // becomes the test's folder. prefix comes first: variables for the tool,
    // or commands such as "umask 027;".
    std::string command(std::string args, const std::string &prefix = "")
    {
        for (size_t at; (at = args.find("%D")) != std::string::npos;)
            args.replace(at, 2, dir.string());
        return prefix + " exec '" SNAP_BIN "' " + args + " >'" + (base / "out").string() +
               "' 2>'" + (base / "err").string() + "'";
    }
    Outcome snap(const std::string &args, const std::string &prefix = "")
    {
        const int wait = std::system(command(args, prefix).c_str());
        return {WIFEXITED(wait) ? WEXITSTATUS(wait) : -1, readFile(base / "out"),
                readFile(base / "err")};
    }
};
