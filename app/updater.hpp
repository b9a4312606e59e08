// Software updates. The feed address and the public key of signed updates are
// part of the build, not of the program: CMake cache variables compiled in.
// No update client exists for this desktop yet, so the Updater layer only
// holds the gate: it is started when both keys are configured, and a check
// for updates says in the log that there is nothing to check with.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/logger.hpp"

namespace glimora {

struct UpdaterConfiguration {
    std::optional<std::string> feedURL;    // the feed's address; only https is accepted
    std::optional<std::string> publicKey;  // the key update archives are signed with

    // The values of GLIMORA_UPDATE_FEED_URL and GLIMORA_UPDATE_PUBLIC_KEY;
    // an empty cache value is an absent key.
    static UpdaterConfiguration compiledIn();

    // True exactly when the feed address begins with "https://" (the exact,
    // case-sensitive prefix) and the public key is a non-empty text.
    bool isConfigured() const;
};

class Updater {
public:
    virtual ~Updater() = default;
    virtual void startUpdater() = 0;
    virtual void checkForUpdates() = 0;
};

class DisabledUpdater final : public Updater {
public:
    explicit DisabledUpdater(std::shared_ptr<Logger> logger) : logger_(std::move(logger)) {}
    void startUpdater() override { started_ = true; }
    void checkForUpdates() override;
    bool isStarted() const { return started_; }

private:
    std::shared_ptr<Logger> logger_;
    bool started_ = false;
};

}  // namespace glimora
