#pragma once

#include "Platform/Foundation/FileManager.h"
#include "Shared/Console.h"
#include "support/TemporaryFolder.h"

// The shared logger writing to a file of the test's own while this lives, the
// way a program's main hands it its log file; standard output only afterwards.
class TestLog {
public:
    TestLog() { Console::shared().setPath(path()); }
    ~TestLog() { Console::shared().setPath({}); }
    TestLog(const TestLog&) = delete;
    TestLog& operator=(const TestLog&) = delete;

    std::string path() const { return m_folder / "log.txt"; }
    std::string text() const { return FileManager::contents(path()).valueOr(""); }

private:
    TemporaryFolder m_folder{"log"};
};
