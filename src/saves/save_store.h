#pragma once
// The page's saves: files in the player's Saved Games folder, answered for the
// "save-*" messages and, when the author asks, mirrored to Steam Cloud. A
// newer copy in the cloud found at start waits for the page's choice.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "saves/save_rules.h"

class SteamClient;

class SaveStore {
public:
    // cloud: Steam while it is available (its player has a folder of their
    // own), else null; mirror: writes go to Steam Cloud too. Makes the folder,
    // removes what torn writes left and compares the cloud's files.
    SaveStore(const std::string& savedGames, const std::string& appName, SteamClient* cloud,
              bool mirror);
    SaveStore(const SaveStore&) = delete;
    SaveStore& operator=(const SaveStore&) = delete;

    // Empty when the player has no Saved Games folder.
    const std::string& Folder() const { return folder_; }
    // The "save-result" answer to one parsed message.
    std::string Answer(const nlohmann::json& message);
    // A "save-conflict" for each cloud file newer than the save, until resolved.
    std::vector<std::string> ConflictEvents() const;

private:
    struct Conflict {
        int64_t localMs;
        int64_t cloudMs;
    };
    struct Outcome {
        bool ok = true;
        nlohmann::json value;
        std::string error;
    };
    void CompareWithCloud();
    Outcome Carry(const SaveRequest& request);
    Outcome Write(const std::string& name, const std::string& bytes);
    Outcome Read(const SaveRequest& request);
    Outcome List();
    Outcome Delete(const std::string& name);
    Outcome Resolve(const SaveRequest& request);
    Outcome TakeFromCloud(const std::string& name);
    bool Mirror(const std::string& name, const std::string& bytes);

    std::string folder_;
    SteamClient* cloud_;
    bool mirror_;
    std::map<std::string, Conflict> conflicts_;
};
