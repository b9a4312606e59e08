#include "app/updater.hpp"

#include "app/build_configuration.hpp"

namespace glimora {

UpdaterConfiguration UpdaterConfiguration::compiledIn() {
    UpdaterConfiguration configuration;
    if (!build::updateFeedURL.empty()) configuration.feedURL = std::string(build::updateFeedURL);
    if (!build::updatePublicKey.empty()) configuration.publicKey = std::string(build::updatePublicKey);
    return configuration;
}

bool UpdaterConfiguration::isConfigured() const {
    if (!feedURL || !feedURL->starts_with("https://")) return false;
    return publicKey && !publicKey->empty();
}

void DisabledUpdater::checkForUpdates() {
    if (!started_ || !logger_) return;
    logger_->log("Glimora cannot check for updates: this build has no update client");
}

}  // namespace glimora
