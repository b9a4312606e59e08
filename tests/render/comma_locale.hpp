// A process locale whose decimal separator is a comma, for tests that show
// that text output does not follow the locale.
#pragma once

#include <clocale>
#include <cstdlib>
#include <locale>
#include <stdexcept>
#include <string>

#include "tests/support/temp_dir.hpp"

namespace glimora::test {

// Sets a process locale whose decimal separator is a comma for the life of
// the value, generating one privately with localedef when none is installed.
class CommaLocale {
public:
    CommaLocale() {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8", "it_IT.UTF-8",
                                 "es_ES.UTF-8", "ru_RU.UTF-8"}) {
            if (use(name)) return;
        }
        const std::string command =
            "localedef -i de_DE -f UTF-8 '" + (folder_.path() / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) == 0) {
            setenv("LOCPATH", folder_.path().c_str(), 1);
            usedLocpath_ = true;
            use("de_DE.UTF-8");
        }
    }
    ~CommaLocale() {
        std::setlocale(LC_ALL, "C");
        std::locale::global(std::locale::classic());
        if (usedLocpath_) unsetenv("LOCPATH");
    }
    bool active() const { return active_; }
    const std::string& name() const { return name_; }

private:
    bool use(const char* name) {
        if (!std::setlocale(LC_ALL, name) || std::string(std::localeconv()->decimal_point) != ",")
            return false;
        try {
            std::locale::global(std::locale(name));
        } catch (const std::exception&) {
            // The C locale alone already shows whether formatting follows it.
        }
        name_ = name;
        active_ = true;
        return true;
    }

    test::TempDir folder_;
    bool usedLocpath_ = false;
    bool active_ = false;
    std::string name_;
};

}  // namespace glimora::test
