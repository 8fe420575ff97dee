// What Linux has besides regular files and folders (sockets, named pipes, devices) as tables.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>

#include "dbf/Dbf.h"
#include "tests/support/TestSupport.h"

namespace korvane::dbf {
namespace {

using test::TempDir;

using test::OpenMessage;

// Only a regular file is a table: a folder, a socket or a named pipe is refused at once,
// without waiting for a writer, in every mode.
TEST(TableOpen, WhatIsNoRegularFileIsRefused) {
    TempDir dir;
    std::filesystem::create_directory(dir.Path("folder.dbf"));
    ASSERT_EQ(::mkfifo(dir.Path("pipe.dbf").c_str(), 0600), 0);
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", dir.Path("sock.dbf").c_str());
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    std::filesystem::create_symlink("/dev/null", dir.Path("null.dbf"));
    for (const char* name : {"folder.dbf", "pipe.dbf", "sock.dbf", "null.dbf"}) {
        for (bool readOnly : {true, false}) {
            TDbf table;
            table.ReadOnly = readOnly;
            const std::string resolved = std::string(name) == "null.dbf" ? "/dev/null" : dir.Path(name);
            EXPECT_EQ(OpenMessage(table, dir.Path(name)), "Cannot open file \"" + resolved + "\". Not a regular file.") << name;
        }
    }
    ::close(s);
}

}  // namespace
}  // namespace korvane::dbf
