// SPDX-License-Identifier: MIT
#pragma once
// The machine's file system with one step of a save made to fail, as a full
// disk or a folder that takes no new file makes it fail; tests run as root,
// for whom permissions do not count, so failures are injected instead.

#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace tonvell_test {

// The machine's file system with one step made to fail, recording the steps
// a save takes.
class FaultyFileSystem final : public tonvell::FileSystem {
public:
    enum class Step { None, CreateNew, Write, Sync, Close, Rename };
    explicit FaultyFileSystem(Step failing) : failing_(failing) {}

    std::optional<Entry> Look(const std::string& path) const override { return real_.Look(path); }
    std::optional<Link> LinkTarget(const std::string& path) const override {
        return real_.LinkTarget(path);
    }
    Handle CreateNew(const std::string& path) const override {
        steps.push_back("create " + path);
        if (failing_ == Step::CreateNew) {
            errno = EACCES;  // a folder that takes no new file
            return kNoHandle;
        }
        return real_.CreateNew(path);
    }
    Handle OpenExisting(const std::string& path) const override {
        steps.push_back("open " + path);
        return real_.OpenExisting(path);
    }
    bool Write(Handle file, std::string_view bytes) const override {
        steps.push_back("write");
        if (failing_ == Step::Write) {
            // A full disk takes part of the bytes.
            real_.Write(file, bytes.substr(0, bytes.size() / 2));
            return false;
        }
        return real_.Write(file, bytes);
    }
    bool WriteAt(Handle file, std::uint64_t offset, std::string_view bytes) const override {
        steps.push_back("write at " + std::to_string(offset));
        return failing_ != Step::Write && real_.WriteAt(file, offset, bytes);
    }
    void CopyAttributes(Handle file, const Entry& from) const override {
        real_.CopyAttributes(file, from);
    }
    bool Sync(Handle file) const override {
        steps.push_back("sync");
        return failing_ != Step::Sync && real_.Sync(file);
    }
    bool Close(Handle file) const override {
        steps.push_back("close");
        return real_.Close(file) && failing_ != Step::Close;
    }
    bool Rename(const std::string& from, const std::string& to) const override {
        steps.push_back("rename");
        const bool renamed = failing_ != Step::Rename && real_.Rename(from, to);
        if (afterRename) {
            afterRename();
        }
        return renamed;
    }
    void SyncFolder(const std::string& folder) const override {
        steps.push_back("sync folder " + folder);
        real_.SyncFolder(folder);
    }
    void Remove(const std::string& path) const override { real_.Remove(path); }

    mutable std::vector<std::string> steps;
    // Runs right after each rename: a signal arriving at that moment.
    std::function<void()> afterRename;

private:
    const tonvell::FileSystem& real_ = tonvell::SystemFileSystem();
    Step failing_;
};

}  // namespace tonvell_test
