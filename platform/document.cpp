// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/document.h"

#include <sys/stat.h>

#include <algorithm>

#include "analysis/projectfile.h"

namespace zarn {

namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool HasValues(const ProjectSettings& s) {
    return s.Variable || s.Unit || s.ReturnPeriods || s.ZeroCount || s.ZeroPositions || !s.Other.empty();
}

}  // namespace

Document::Document(Session& session) : session_(session), record_(std::make_unique<AnalysisRecord>()) {}

Document::~Document() = default;

void Document::SaveSettings() const {
    if (!fileName_.empty()) WriteProjectSettings(fileName_, settings_);
}

void Document::Replace(std::unique_ptr<AnalysisRecord> record, SimulationSummary simulations, std::string fileName,
                       ProjectSettings settings, bool modified) {
    record_ = std::move(record);
    simulations_ = std::move(simulations);
    simulationsDeclined_ = false;
    fileName_ = std::move(fileName);
    settings_ = std::move(settings);
    modified_ = modified;
    ++generation_;
    // A listener may stop listening (a window closing) while the list runs:
    // walk a copy of the ids and skip those gone.
    std::vector<int> ids;
    for (const Entry& e : listeners_) ids.push_back(e.Id);
    for (int id : ids) {
        auto it = std::find_if(listeners_.begin(), listeners_.end(), [id](const Entry& e) { return e.Id == id; });
        if (it == listeners_.end()) continue;
        const std::function<void()> replaced = it->Replaced;
        replaced();
    }
}

void Document::Open(const std::string& path) {
    auto record = std::make_unique<AnalysisRecord>();
    ReadProjectFile(*record, path);
    ProjectSettings settings = ReadProjectSettings(path);
    Replace(std::move(record), SimulationSummary{}, path, std::move(settings), false);
}

void Document::Save(const std::string& path) {
    WriteProjectFile(*record_, path);
    // An older settings file under the new name must not stay beside a
    // project it does not describe.
    if (HasValues(settings_) || Exists(ProjectSettingsPath(path))) WriteProjectSettings(path, settings_);
    fileName_ = path;
}

Document::Listener Document::Listen(std::function<void()> replaced) {
    const int id = nextListener_++;
    listeners_.push_back({id, std::move(replaced)});
    return Listener(this, alive_, id);
}

Document::Listener::Listener(Listener&& other) noexcept
    : alive_(std::move(other.alive_)), document_(other.document_), id_(other.id_) {
    other.document_ = nullptr;
}

Document::Listener& Document::Listener::operator=(Listener&& other) noexcept {
    if (this != &other) {
        Stop();
        alive_ = std::move(other.alive_);
        document_ = other.document_;
        id_ = other.id_;
        other.document_ = nullptr;
    }
    return *this;
}

Document::Listener::~Listener() { Stop(); }

void Document::Listener::Stop() {
    if (document_ && !alive_.expired()) {
        auto& list = document_->listeners_;
        list.erase(std::remove_if(list.begin(), list.end(), [this](const Entry& e) { return e.Id == id_; }),
                   list.end());
    }
    document_ = nullptr;
}

}  // namespace zarn
