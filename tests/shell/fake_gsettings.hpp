// A gsettings of the test's own, first on PATH while it lives: it answers
// `get` at once and then watches, leaving a mark when it is asked to watch
// (the motion setting asks that once it has the answer): its monitor runs
// `watch` (shell commands), notes its process id, and stays.
#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <filesystem>
#include <fstream>

#include "tests/support/temp_dir.hpp"

namespace glimora::test {

class FakeGsettings {
public:
    explicit FakeGsettings(const char* answer, const char* watch = "") : path_(qgetenv("PATH")) {
        const auto script = folder_.path() / "gsettings";
        std::ofstream(script) << "#!/bin/sh\n"
                                 "if [ \"$1\" = get ]; then echo "
                              << answer << "; exit 0; fi\n"
                              << "touch '" << watching().string() << "'\n"
                              << watch << "\necho $$ > " << monitorPidFile().string() << "\nexec sleep 30\n";
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
        qputenv("PATH", QByteArray::fromStdString(folder_.path().string()) + ":" + path_);
    }
    ~FakeGsettings() { qputenv("PATH", path_); }
    FakeGsettings(const FakeGsettings&) = delete;
    FakeGsettings& operator=(const FakeGsettings&) = delete;

    std::filesystem::path watching() const { return folder_.path() / "watching"; }
    std::filesystem::path monitorPidFile() const { return folder_.path() / "monitor.pid"; }

private:
    TempDir folder_;
    QByteArray path_;
};

}  // namespace glimora::test
