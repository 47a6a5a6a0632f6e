#include "plugin/install/plan.h"

#include <unordered_map>
#include <unordered_set>

#include "plugin/install/install_fs.h"

namespace qln::install {

namespace {

std::wstring Normalised(const std::wstring& memberName) {
    std::wstring name = memberName;
    for (wchar_t& c : name)
        if (c == L'/') c = L'\\';
    while (!name.empty() && name.back() == L'\\') name.pop_back();
    return name;
}

std::wstring LeafOf(const std::wstring& name) { return name.substr(name.rfind(L'\\') + 1); }

// What stands in the target under a name, looked up once.
struct TargetEntry {
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    bool alias = false;  // reached through a short name: the entry's own name is another
};

// Each folder of the target is listed once, rather than each name looked up on its own: an
// update names every file of a folder that is there already.
class TargetView {
public:
    explicit TargetView(const WorkArea& work) : work_(work) {}

    TargetEntry Look(const std::wstring& name) {
        const std::wstring leaf = Key(LeafOf(name));
        const auto& listing = List(Key(ParentOf(name)), name);
        if (const auto found = listing.find(leaf); found != listing.end()) return {found->second, false};
        // Not a long name there. Where it may be an 8.3 alias (they all hold "~"), ask the system,
        // which resolves aliases: what it finds under another name is reached through one.
        if (leaf.find(L'~') == std::wstring::npos) return {};
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW(work_.InTarget(name).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return {};
        FindClose(search);
        return {found.dwFileAttributes, Key(found.cFileName) != leaf};
    }

private:
    using Listing = std::unordered_map<std::wstring, DWORD>;  // long name key -> attributes

    const Listing& List(const std::wstring& folderKey, const std::wstring& name) {
        if (const auto known = listings_.find(folderKey); known != listings_.end()) return known->second;
        Listing& listing = listings_[folderKey];
        const std::wstring folder = ParentOf(name);
        WIN32_FIND_DATAW found;
        const HANDLE search =
            FindFirstFileW(((folder.empty() ? work_.Target() : work_.InTarget(folder)) + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return listing;
        do {
            const std::wstring entry = found.cFileName;
            if (entry != L"." && entry != L"..") listing.emplace(Key(entry), found.dwFileAttributes);
        } while (FindNextFileW(search, &found));
        FindClose(search);
        return listing;
    }

    const WorkArea& work_;
    std::unordered_map<std::wstring, Listing> listings_;
};

}  // namespace

Failure MakePlan(const std::vector<Member>& members, const WorkArea& work, Plan& plan) {
    std::unordered_map<std::wstring, std::size_t> byKey;
    std::unordered_set<std::wstring> newFolders;  // folder entries the target lacks
    TargetView target(work);

    // Adds one entry (or finds it); false with `failure` when the target or the package forbids it.
    auto place = [&](const std::wstring& name, bool folder, DWORD attributes, Failure& failure) -> std::size_t {
        const std::wstring key = Key(name);
        if (const auto found = byKey.find(key); found != byKey.end()) {
            if (plan.entries[found->second].folder != folder) failure = Fail(InstallOutcome::DamagedPackage, name);
            return found->second;
        }
        const std::wstring parent = ParentOf(name);
        const bool inNewFolder = !parent.empty() && newFolders.count(Key(parent)) != 0;
        // Nothing can stand below a folder the target lacks: no need to look.
        const TargetEntry there = inNewFolder ? TargetEntry{} : target.Look(name);
        if (there.attributes != INVALID_FILE_ATTRIBUTES) {
            if (there.alias) failure = Fail(InstallOutcome::PathBlocked, name, ERROR_ALREADY_EXISTS);
            else if (IsFolderAttr(there.attributes) != folder)
                failure = Fail(InstallOutcome::PathBlocked, name, folder ? ERROR_ALREADY_EXISTS : ERROR_DIRECTORY);
            else if (folder && IsLinkAttr(there.attributes))
                failure = Fail(InstallOutcome::PathBlocked, name, ERROR_REPARSE_TAG_INVALID);
            if (failure) return 0;
        }
        PlannedEntry entry{name, folder, attributes, false};
        if (folder && there.attributes == INVALID_FILE_ATTRIBUTES) {
            newFolders.insert(key);
            entry.wholeFolder = !inNewFolder;
        }
        byKey.emplace(key, plan.entries.size());
        plan.entries.push_back(std::move(entry));
        return plan.entries.size() - 1;
    };

    for (const Member& member : members) {
        const std::wstring name = Normalised(member.name);
        Failure failure;
        // Every folder above the member first, top down: listed ones keep their place, the
        // others are implied with plain folder attributes.
        for (std::size_t split = name.find(L'\\'); split != std::wstring::npos; split = name.find(L'\\', split + 1)) {
            place(name.substr(0, split), true, FILE_ATTRIBUTE_DIRECTORY, failure);
            if (failure) return failure;
        }
        const std::size_t index = place(name, member.directory, member.attributes, failure);
        if (failure) return failure;
        plan.entries[index].attributes = member.attributes;
        plan.entryOfMember.push_back(index);
    }
    return {};
}

}  // namespace qln::install
