#pragma once

#include "app/AppServices.h"
#include "app/ChartWindow.h"
#include "platform/ScriptedDialogs.h"
#include "platform/SettingsStore.h"
#include "platform/hid/SimulatedHidBus.h"

#include <QDir>
#include <QTemporaryDir>
#include <QWidget>

#include <gmock/gmock.h>

#include <fstream>
#include <memory>
#include <string>

// A temporary home for one test: settings file, default base folder, scripted dialogs.
class AppTestEnv : public testing::Test {
protected:
    AppTestEnv()
        : settingsPath_(root_.filePath(QStringLiteral("config/Quillstone.conf")).toStdString()),
          store_(settingsPath_),
          services_{dialogs_, store_, root_.filePath(QStringLiteral("Zorvan_Logs")), hidBus_}
    {
    }

    QString folder(const QString& relative) const { return root_.filePath(relative); }

    // Writes the settings file as the key with the given lines.
    void writeSettings(const std::string& lines) const
    {
        std::filesystem::create_directories(settingsPath_.parent_path());
        std::ofstream(settingsPath_) << "[SOFTWARE\\Zorvan]\n" << lines;
    }

    // A value as a fresh reader of the file sees it; nullopt without the key.
    std::optional<std::string> storedValue(const char* name) const
    {
        platform::SettingsStore reader(settingsPath_);
        if (!reader.openKey("\\SOFTWARE\\Zorvan", false))
            return std::nullopt;
        return reader.readString(name);
    }

    QTemporaryDir root_;
    std::filesystem::path settingsPath_;
    platform::SettingsStore store_;
    platform::ScriptedDialogs dialogs_;
    // Each test has a USB bus of its own, empty until it plugs something in.
    std::shared_ptr<zq::hid::SimulatedHidBus> hidBus_ = std::make_shared<zq::hid::SimulatedHidBus>();
    AppServices services_;
};

// Stands in for a chart window: a modified one asks the save question.
class StandInChart : public QWidget, public ChartWindow {
public:
    StandInChart(platform::Dialogs& dialogs, QString name, bool modified)
        : dialogs_(dialogs), modified_(modified), saves(0)
    {
        setObjectName(std::move(name));
    }

    CloseResult askToClose() override
    {
        if (modified_) {
            switch (dialogs_.askYesNoCancel(QStringLiteral("Deseja salvar as alterações antes de fechar a janela ?"))) {
            case platform::Answer::Cancel:
                return CloseResult::Cancelled;
            case platform::Answer::Yes:
                ++saves;
                break;
            case platform::Answer::No:
                break;
            }
        }
        return CloseResult::Closed;
    }
    bool isModified() const override { return modified_; }

private:
    platform::Dialogs& dialogs_;
    bool modified_;

public:
    int saves;
};
