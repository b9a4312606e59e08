// What every run of ombriq-saver starts from: its settings file and the
// library, read once from the user's folders.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "model/design_recipe.hpp"
#include "platform/logger.hpp"
#include "saver/end_watch.hpp"
#include "saver/saver_options.hpp"
#include "saver/screen_saver_settings.hpp"

namespace glimora {

// Writes each line to stderr, prefixed with the program's name.
class SaverLogger final : public Logger {
public:
    void log(std::string_view line) override;
};

struct SaverStart {
    std::shared_ptr<Logger> logger;
    std::shared_ptr<ScreenSaverDefaults> settings;
    // The library files to try, in order; read by whoever runs the saver.
    std::vector<std::filesystem::path> libraryCandidates;
};

// The saver's settings file under the XDG config folder.
std::shared_ptr<ScreenSaverDefaults> openScreenSaverDefaults(std::shared_ptr<Logger> logger);

// The settings, and where the library may be: under $HOME and the XDG data folder.
SaverStart loadSaverStart();

// The headless run: `frames` frames on a virtual clock, one line on `out`
// per applied recipe ("applied N NAME", N its position in the library), the
// last frame written as PNG. 0 on success; 1 with one line on `err`. An end
// signal (`watch`) stops it with 0 and no file written; a file being
// written is finished first.
int runOffscreen(const SaverOptions& options, SaverStart start, std::FILE* out, std::FILE* err,
                 const EndWatch& watch);

}  // namespace glimora
