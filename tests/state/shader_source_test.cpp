#include <gtest/gtest.h>

#include <filesystem>

#include "state/notch_view_model.hpp"
#include "tests/state/model_harness.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora {
namespace {

using test::ModelHarness;
using test::TempDir;

class ShaderSource : public ::testing::Test {
protected:
    ShaderSource() {
        harness.decoder = [this](std::span<const std::uint8_t> data, int maxPixelSize,
                                 DecodeNotes*) -> std::optional<PixelImageBuffer> {
            decodedSizes.push_back(data.size());
            decodedLimits.push_back(maxPixelSize);
            if (data.empty() || data[0] != 'P') return std::nullopt;
            return test::solidImage(6, 3);
        };
        model = harness.make();
    }

    std::filesystem::path file(const std::string& name, const std::string& bytes) {
        const auto path = folder.path() / name;
        test::writeFile(path, bytes);
        return path;
    }

    void choose(const std::filesystem::path& path) {
        model->chooseShaderSource();
        harness.dialogs->completeOpen({path});
        harness.scheduler->runUntilIdle();
    }

    TempDir folder;
    ModelHarness harness;
    std::vector<std::size_t> decodedSizes;
    std::vector<int> decodedLimits;
    std::unique_ptr<NotchViewModel> model;
};

TEST_F(ShaderSource, PanelAsksForOnePictureOrSvg) {
    model->chooseShaderSource();
    ASSERT_EQ(harness.dialogs->openRequests.size(), 1u);
    const auto& options = harness.dialogs->openRequests[0];
    EXPECT_TRUE(options.canChooseFiles);
    EXPECT_FALSE(options.canChooseDirectories);
    EXPECT_FALSE(options.allowsMultipleSelection);
    EXPECT_EQ(options.allowedTypes,
              (std::vector<FileDialogs::FileType>{FileDialogs::FileType::image, FileDialogs::FileType::svg}));
    EXPECT_EQ(options.prompt, "Use Shader Input");
    EXPECT_EQ(options.message, "Choose an image or SVG to fill with the selected material.");
}

TEST_F(ShaderSource, ChosenPictureFillsTheMaterial) {
    model->toggleAnimation();
    choose(file("dunes.png", "PNG bytes"));
    EXPECT_EQ(decodedSizes, std::vector<std::size_t>{9});
    EXPECT_EQ(decodedLimits, std::vector<int>{2048});
    ASSERT_TRUE(model->shaderSourceImage().has_value());
    EXPECT_EQ(model->shaderSourceImage()->width, 6);
    EXPECT_EQ(model->shaderSourceName(), "dunes.png");
    EXPECT_TRUE(model->shaderActive());
    EXPECT_TRUE(model->shaderPlaying());
    EXPECT_FALSE(model->animationPlaying());
    EXPECT_EQ(model->shaderStatus(), "Using dunes.png");
}

TEST_F(ShaderSource, DecodingHappensInTheBackground) {
    model->chooseShaderSource();
    harness.dialogs->completeOpen({file("a.png", "P")});
    EXPECT_EQ(harness.scheduler->pendingBackground(), 1u);
    EXPECT_TRUE(decodedSizes.empty());
    harness.scheduler->runBackground();
    EXPECT_EQ(decodedSizes.size(), 1u);
    EXPECT_EQ(model->shaderSourceName(), "");  // not before the main thread takes the result
    harness.scheduler->runPosted();
    EXPECT_EQ(model->shaderSourceName(), "a.png");
}

TEST_F(ShaderSource, CancelChangesNothing) {
    model->setShaderStatus("Material reset");
    model->chooseShaderSource();
    harness.dialogs->completeOpen({});
    harness.scheduler->runUntilIdle();
    EXPECT_EQ(model->shaderStatus(), "Material reset");
    EXPECT_TRUE(decodedSizes.empty());
}

TEST_F(ShaderSource, UnreadableFileKeepsThePreviousPictureAndMaterialState) {
    choose(file("first.png", "P1"));
    model->toggleShaderPlayback();
    const bool playing = model->shaderPlaying();

    choose(file("notes.txt", "hello"));
    EXPECT_EQ(model->shaderStatus(), "Could not read that file");
    EXPECT_EQ(model->shaderSourceName(), "first.png");
    EXPECT_TRUE(model->shaderSourceImage().has_value());
    EXPECT_EQ(model->shaderPlaying(), playing);

    choose(folder.path() / "missing.png");
    EXPECT_EQ(model->shaderStatus(), "Could not read that file");
    choose(folder.path());
    EXPECT_EQ(model->shaderStatus(), "Could not read that file");
    EXPECT_EQ(decodedSizes.size(), 2u);
}

TEST_F(ShaderSource, FilesAboveSixtyFourMebibytesAreNeverDecoded) {
    const auto atCap = folder.path() / "big.png";
    test::writeFile(atCap, "P");
    std::filesystem::resize_file(atCap, NotchViewModel::shaderSourceByteLimit);
    const auto overCap = folder.path() / "huge.png";
    test::writeFile(overCap, "P");
    std::filesystem::resize_file(overCap, NotchViewModel::shaderSourceByteLimit + 1);

    choose(overCap);
    EXPECT_TRUE(decodedSizes.empty());
    EXPECT_EQ(model->shaderStatus(), "Could not read that file");

    choose(atCap);
    EXPECT_EQ(decodedSizes, std::vector<std::size_t>{64u * 1024 * 1024});
    EXPECT_EQ(model->shaderSourceName(), "big.png");
}

TEST_F(ShaderSource, ADecoderThatThrowsReadsAsUnreadable) {
    harness.decoder = [](std::span<const std::uint8_t>, int, DecodeNotes*) -> std::optional<PixelImageBuffer> {
        throw std::runtime_error("corrupt");
    };
    choose(file("bad.png", "P"));
    EXPECT_EQ(model->shaderStatus(), "Could not read that file");
}

TEST_F(ShaderSource, ALaterChoiceWinsOverASlowDecode) {
    model->chooseShaderSource();
    harness.dialogs->completeOpen({file("slow.png", "P")});
    model->useFullDesktopMaterial();
    harness.scheduler->runUntilIdle();
    EXPECT_FALSE(model->shaderSourceImage().has_value());
    EXPECT_EQ(model->shaderStatus(), "Full desktop material");

    model->chooseShaderSource();
    model->chooseShaderSource();
    harness.dialogs->completeOpen({file("one.png", "P")});
    harness.dialogs->completeOpen({file("two.png", "P")});
    harness.scheduler->runUntilIdle();
    EXPECT_EQ(model->shaderSourceName(), "two.png");
}

TEST_F(ShaderSource, WithoutDialogsNothingHappens) {
    ModelHarness bare;
    auto services = bare.services();
    services.fileDialogs = nullptr;
    NotchViewModel lonely(services);
    lonely.chooseShaderSource();
    EXPECT_EQ(lonely.shaderStatus(), "");
}

TEST_F(ShaderSource, WithoutASchedulerTheFileIsReadAtOnce) {
    ModelHarness inline_;
    inline_.decoder = harness.decoder;
    auto services = inline_.services();
    services.scheduler = nullptr;
    NotchViewModel direct(services);
    direct.chooseShaderSource();
    inline_.dialogs->completeOpen({file("now.png", "P")});
    EXPECT_EQ(direct.shaderSourceName(), "now.png");
}

}  // namespace
}  // namespace glimora
