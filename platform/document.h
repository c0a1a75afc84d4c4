// SPDX-License-Identifier: GPL-3.0-or-later
// The project the program works on: one analysis record with what belongs
// to it while it is in memory. Every window is a view of the one Document
// the program owns: it fills itself from it and hears when the analysis is
// replaced (a new calculation, an opened project), so nothing shown, saved
// or printed can belong to another analysis. No Qt: the batch tools and the
// tests build their own.
//
//   Document              the record (on the heap, 321,736 bytes), its
//                         simulations, the modified flag, the file name,
//                         the calculation threads and the project settings
//   Document::Replace     puts a new analysis in place and tells the listeners
//   Document::Open        reads a project file and its settings file, then Replace
//   Document::Save        writes the project file and its settings file
//   Document::Listen      a callback run after each replacement; the handle
//                         it returns stops it when destroyed
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "files/projectsettings.h"
#include "analysis/record.h"
#include "analysis/simulation.h"
#include "platform/session.h"

namespace zarn {

class Document {
public:
    // `session` outlives the document (the program, a tool or a test owns both).
    explicit Document(Session& session);
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    Session& session() const { return session_; }

    const AnalysisRecord& Record() const { return *record_; }
    // Only for what a view changes in place without replacing the analysis
    // (the probability plot's distribution); replacing goes through Replace.
    AnalysisRecord& Record() { return *record_; }

    // What the simulations of the analysis gave; Valid is false after an
    // open until they are run again (SetSimulations).
    const SimulationSummary& Simulations() const { return simulations_; }
    void SetSimulations(SimulationSummary simulations) { simulations_ = std::move(simulations); }
    // True once the user declined to simulate this analysis again: the views
    // that refresh by themselves then do not ask a second time.
    bool SimulationsDeclined() const { return simulationsDeclined_; }
    void SetSimulationsDeclined(bool declined) { simulationsDeclined_ = declined; }

    // True while a created analysis has not been saved.
    bool Modified() const { return modified_; }
    void SetModified(bool modified) { modified_ = modified; }

    // The project file the analysis was opened from or saved to; "" for a
    // new analysis not saved yet.
    const std::string& FileName() const { return fileName_; }

    // What the project keeps beside its project file (the chart's variable
    // and unit, ...). Changed by the views in place; written with the project
    // (Save) or at once for a saved project (SaveSettings).
    const ProjectSettings& Settings() const { return settings_; }
    ProjectSettings& Settings() { return settings_; }
    // Writes the settings file of the project file, when there is one.
    // Throws ZarnError naming the settings file when it cannot be written.
    void SaveSettings() const;

    // Threads of a calculation (0: the hardware threads).
    int CalculationThreads() const { return calculationThreads_; }
    void SetCalculationThreads(int threads) { calculationThreads_ = threads; }
    SimulationOptions Options(CalculationProgress* progress) const { return {calculationThreads_, progress}; }

    // Counts the replacements: a view that remembers the generation it
    // filled itself from knows whether it is stale.
    std::uint64_t Generation() const { return generation_; }

    // Puts `record` in place of the analysis, with its simulations, file
    // name, settings and modified flag, then runs every listener.
    void Replace(std::unique_ptr<AnalysisRecord> record, SimulationSummary simulations, std::string fileName,
                 ProjectSettings settings, bool modified);
    // Reads the project file `path` and its settings file (the settings are
    // empty when there is none); on any error nothing changes. Not modified,
    // no simulations.
    void Open(const std::string& path);
    // Writes the project file `path` and, when the project has settings or
    // `path` already has a settings file, its settings file; the document's
    // file name becomes `path`. The modified flag is the caller's (the main
    // window's Salvar clears it; saving from the save-first question leaves it).
    void Save(const std::string& path);

    class Listener {
    public:
        Listener() = default;
        Listener(Listener&& other) noexcept;
        Listener& operator=(Listener&& other) noexcept;
        ~Listener();

    private:
        friend class Document;
        Listener(Document* document, const std::shared_ptr<int>& alive, int id)
            : alive_(alive), document_(document), id_(id) {}
        void Stop();
        std::weak_ptr<int> alive_;
        Document* document_ = nullptr;
        int id_ = 0;
    };
    // `replaced` runs after each Replace, in the order the listeners came.
    [[nodiscard]] Listener Listen(std::function<void()> replaced);

private:
    struct Entry {
        int Id;
        std::function<void()> Replaced;
    };

    Session& session_;
    std::unique_ptr<AnalysisRecord> record_;
    SimulationSummary simulations_;
    bool simulationsDeclined_ = false;
    bool modified_ = false;
    std::string fileName_;
    ProjectSettings settings_;
    int calculationThreads_ = 0;
    std::uint64_t generation_ = 0;
    std::vector<Entry> listeners_;
    int nextListener_ = 1;
    // Expires with the document, so a listener outliving it stops harmlessly.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace zarn
