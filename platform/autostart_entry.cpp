#include "platform/autostart_entry.hpp"

#include <system_error>

#include "model/atomic_file.hpp"
#include "model/utf8.hpp"
#include "platform/file_read.hpp"

namespace glimora {

namespace {

constexpr std::uintmax_t entryByteLimit = 64 * 1024;

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// A desktop-entry string may hold no control character but the three it escapes.
bool hasUnwritableControl(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\n' && c != '\t' && c != '\r') || byte == 0x7F) return true;
    }
    return false;
}

}  // namespace

AutostartEntry::AutostartEntry(std::optional<std::filesystem::path> configHome, std::filesystem::path executable)
    : configHome_(std::move(configHome)), executable_(std::move(executable)) {}

std::optional<std::filesystem::path> AutostartEntry::entryFile() const {
    if (!configHome_) return std::nullopt;
    return *configHome_ / "autostart" / "glimora.desktop";
}

std::string AutostartEntry::execValue(const std::filesystem::path& executable) {
    // Field codes first (a literal % is %%), then the argument quoting (", `,
    // $ and \ take a backslash), then the string escapes, which readers undo first.
    std::string quoted = "\"";
    for (const char c : executable.native()) {
        if (c == '%') {
            quoted += "%%";
            continue;
        }
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    std::string value;
    for (const char c : quoted) {
        switch (c) {
        case '\\': value += "\\\\"; break;
        case '\n': value += "\\n"; break;
        case '\t': value += "\\t"; break;
        case '\r': value += "\\r"; break;
        default: value += c;
        }
    }
    return value;
}

std::optional<std::string> AutostartEntry::desktopEntryText(const std::filesystem::path& executable) {
    const std::string& path = executable.native();
    if (!executable.is_absolute() || !isValidUtf8(path) || hasUnwritableControl(path)) return std::nullopt;
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Glimora\n"
           "Comment=Desktop wallpaper studio\n"
           "Exec=" +
           execValue(executable) +
           "\n"
           "Icon=glimora\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

std::optional<std::filesystem::path> AutostartEntry::currentExecutable() {
    std::error_code error;
    const auto target = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return std::nullopt;
    // A program replaced on disk while running reads as ".../glimora (deleted)";
    // canonical() refuses that path, so no stale entry is written.
    auto canonical = std::filesystem::canonical(target, error);
    if (error) return std::nullopt;
    return canonical;
}

LoginItem::Status AutostartEntry::status() const {
    const auto file = entryFile();
    if (!file) return Status::notRegistered;
    const auto bytes = readFileLimited(*file, entryByteLimit);
    if (!bytes) return Status::notRegistered;
    const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());

    bool inMainGroup = false;
    bool startsThisProgram = false;
    bool switchedOff = false;
    const std::string expectedExec = execValue(executable_);
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = trimmed(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inMainGroup || equals == std::string_view::npos) continue;
        const std::string_view key = trimmed(line.substr(0, equals));
        const std::string_view value = trimmed(line.substr(equals + 1));
        if (key == "Exec") startsThisProgram = !executable_.empty() && value == expectedExec;
        if (key == "Hidden") switchedOff = switchedOff || value == "true";
        if (key == "X-GNOME-Autostart-enabled") switchedOff = switchedOff || value == "false";
    }
    if (switchedOff) return Status::requiresApproval;
    return startsThisProgram ? Status::enabled : Status::notRegistered;
}

std::optional<std::string> AutostartEntry::registerItem() {
    const auto file = entryFile();
    if (!file) return "No configuration folder is known (neither XDG_CONFIG_HOME nor HOME is set).";
    if (executable_.empty()) return "The program's own path could not be determined.";
    const auto text = desktopEntryText(executable_);
    if (!text) return "The program's path “" + replacingInvalidUtf8(executable_.native()) +
                      "” cannot be written in a desktop entry.";
    std::error_code error;
    std::filesystem::create_directories(file->parent_path(), error);
    if (error) return "Could not create “" + file->parent_path().string() + "”: " + error.message();
    if (const auto failure = AtomicFile::write(*file, *text)) return failure->description();
    return std::nullopt;
}

std::optional<std::string> AutostartEntry::unregisterItem() {
    const auto file = entryFile();
    if (!file) return "No configuration folder is known (neither XDG_CONFIG_HOME nor HOME is set).";
    std::error_code error;
    std::filesystem::remove(*file, error);
    if (error) return "Could not remove “" + file->string() + "”: " + error.message();
    return std::nullopt;
}

}  // namespace glimora
