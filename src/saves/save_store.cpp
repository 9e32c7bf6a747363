#include "saves/save_store.h"

#include "saves/save_files.h"
#include "steam/steam_bytes.h"
#include "steam/steam_call.h"
#include "steam/steam_client.h"
#include "util/log/author_log.h"

namespace {
using Kind = SaveRequest::Kind;

std::optional<int64_t> SecondsOf(std::optional<int64_t> ms) {
    if (!ms)
        return std::nullopt;
    return *ms / 1000;
}
} // namespace

SaveStore::SaveStore(const std::string& savedGames, const std::string& appName,
                     SteamClient* cloud, bool mirror)
    : folder_(SaveFolderOf(savedGames, appName, cloud ? cloud->Player().steamId : 0)),
      cloud_(cloud), mirror_(mirror && cloud) {
    if (folder_.empty() || !MakeSaveFolder(folder_)) {
        LogForAuthor("saves unavailable: the Saved Games folder cannot be made");
        folder_.clear();
        return;
    }
    if (const size_t removed = RemovePartialSaves(folder_))
        LogForAuthor("saves: removed " + std::to_string(removed) + " unfinished write(s)");
    if (mirror_)
        CompareWithCloud();
}

void SaveStore::CompareWithCloud() {
    for (const SteamCloudFile& file : cloud_->CloudFiles()) {
        if (!IsSaveName(file.name))
            continue;
        const std::optional<int64_t> localMs = SaveTimeMs(folder_, file.name);
        const std::optional<int64_t> cloudSeconds = cloud_->CloudTime(file.name);
        switch (DecideAtStart(SecondsOf(localMs), cloudSeconds)) {
        case AtStart::Keep:
            break;
        case AtStart::Restore:
            if (const Outcome restored = TakeFromCloud(file.name); !restored.ok)
                LogForAuthor("saves: " + restored.error);
            break;
        case AtStart::Ask:
            conflicts_[file.name] = {*localMs, *cloudSeconds * 1000};
            break;
        }
    }
}

std::string SaveStore::Answer(const nlohmann::json& message) {
    const SaveRequest request = ParseSaveRequest(message);
    Outcome outcome;
    if (request.kind == Kind::Refused)
        outcome = {false, nullptr, request.error};
    else if (folder_.empty())
        outcome = {false, nullptr, "the player has no Saved Games folder"};
    else
        outcome = Carry(request);
    return SaveResultText(request, outcome.ok, outcome.value, outcome.error);
}

std::vector<std::string> SaveStore::ConflictEvents() const {
    std::vector<std::string> events;
    for (const auto& [name, conflict] : conflicts_)
        events.push_back(SaveConflictEvent(name, conflict.localMs, conflict.cloudMs));
    return events;
}

SaveStore::Outcome SaveStore::Carry(const SaveRequest& request) {
    const bool changes = request.kind == Kind::Write || request.kind == Kind::Delete;
    if (changes && conflicts_.count(request.name))
        return {false, nullptr, request.name + " waits for \"save-resolve\""};
    switch (request.kind) {
    case Kind::Write:
        return Write(request.name, request.bytes);
    case Kind::Read:
        return Read(request);
    case Kind::List:
        return List();
    case Kind::Delete:
        return Delete(request.name);
    default:
        return Resolve(request);
    }
}

SaveStore::Outcome SaveStore::Write(const std::string& name, const std::string& bytes) {
    if (const std::string failure = WriteSaveFile(folder_, name, bytes); !failure.empty())
        return {false, nullptr, "could not write " + name + ": " + failure};
    Mirror(name, bytes);
    return {};
}

// After the file is safe; a cloud that refuses leaves the save as it is.
bool SaveStore::Mirror(const std::string& name, const std::string& bytes) {
    if (!mirror_)
        return true;
    if (!cloud_->CloudWrite(name, bytes)) {
        LogForAuthor("saves: Steam Cloud refused " + name);
        return false;
    }
    // Both copies then carry one time: the next start finds nothing newer.
    if (const std::optional<int64_t> seconds = cloud_->CloudTime(name))
        SetSaveTime(folder_, name, *seconds);
    return true;
}

SaveStore::Outcome SaveStore::Read(const SaveRequest& request) {
    std::string error;
    const std::optional<std::string> bytes = ReadSaveFile(folder_, request.name, error);
    if (!bytes)
        return {false, nullptr, error};
    if (request.asBase64)
        return {true, EncodeBase64(*bytes), {}};
    if (!IsWellFormedUtf8(*bytes))
        return {false, nullptr, request.name + " is not UTF-8 text: read it with \"as\": \"base64\""};
    return {true, *bytes, {}};
}

SaveStore::Outcome SaveStore::List() {
    nlohmann::json saves = nlohmann::json::array();
    for (const SaveFileInfo& save : ListSaveFiles(folder_))
        saves.push_back({{"name", save.name}, {"size", save.size}, {"time", save.timeMs}});
    return {true, saves, {}};
}

SaveStore::Outcome SaveStore::Delete(const std::string& name) {
    if (!DeleteSaveFile(folder_, name))
        return {false, nullptr, "there is no save " + name};
    if (mirror_ && cloud_->CloudExists(name) && !cloud_->CloudDelete(name))
        LogForAuthor("saves: Steam Cloud refused to delete " + name);
    return {};
}

SaveStore::Outcome SaveStore::Resolve(const SaveRequest& request) {
    if (!conflicts_.count(request.name))
        return {false, nullptr, request.name + " has no conflict to resolve"};
    Outcome outcome;
    if (request.keepCloud) {
        outcome = TakeFromCloud(request.name);
    } else {
        std::string error;
        const std::optional<std::string> bytes = ReadSaveFile(folder_, request.name, error);
        outcome = !bytes                         ? Outcome{false, nullptr, error}
                  : Mirror(request.name, *bytes) ? Outcome{}
                                                 : Outcome{false, nullptr, "Steam Cloud refused " +
                                                                               request.name};
    }
    if (outcome.ok)
        conflicts_.erase(request.name);
    return outcome;
}

SaveStore::Outcome SaveStore::TakeFromCloud(const std::string& name) {
    const std::optional<std::string> bytes = cloud_->CloudRead(name);
    if (!bytes)
        return {false, nullptr, "Steam could not read " + name};
    if (const std::string failure = WriteSaveFile(folder_, name, *bytes); !failure.empty())
        return {false, nullptr, "could not write " + name + ": " + failure};
    if (const std::optional<int64_t> seconds = cloud_->CloudTime(name))
        SetSaveTime(folder_, name, *seconds);
    return {};
}
