#pragma once
// The car window as the scenes make it, over a library of the test's own, with fake
// players: what the app's car tests start from.

#include "support/CarplayTestSupport.h"

#include "app/CarPlaySceneDelegate.h"
#include "carplay/CRFMController.h"
#include "carplay/KavioController.h"
#include "platform/screens/Scene.h"
#include "platform/testing/FakePlayer.h"

#include <gtest/gtest.h>

namespace kavio::app {

class CarScene : public ::testing::Test {
protected:
    CarScene()
        : scenes([this](platform::SceneRole) { return std::make_unique<CarPlaySceneDelegate>(library.documents()); })
    {
    }

    platform::Window* carWindow()
    {
        platform::Scene* scene = scenes.scene(platform::SceneRole::Car);
        return scene ? &scene->window() : nullptr;
    }
    carplay::CRFMController* root()
    {
        return carWindow() ? dynamic_cast<carplay::CRFMController*>(carWindow()->rootViewController()) : nullptr;
    }
    // The player, when the car shows it.
    carplay::KavioController* player()
    {
        return carWindow() ? dynamic_cast<carplay::KavioController*>(carWindow()->topViewController()) : nullptr;
    }
    static QUrl fileUrl(const std::filesystem::path& path)
    {
        return QUrl::fromLocalFile(QString::fromStdString(path.string()));
    }

    carplay::test::Library library;
    platform::FakePlayerFactory players;
    platform::SceneManager scenes;
};

} // namespace kavio::app
