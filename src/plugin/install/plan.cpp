#include "plugin/install/plan.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "plugin/install/install_fs.h"
#include "plugin/member_names.h"

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

    // The long name key of each entry of a target folder, with its name as it is spelt there.
    struct Listed {
        DWORD attributes;
        std::wstring name;
    };
    using Listing = std::unordered_map<std::wstring, Listed>;

    TargetEntry Look(const std::wstring& name) {
        const std::wstring leaf = Key(LeafOf(name));
        const Listing& listing = List(ParentOf(name));
        if (const auto found = listing.find(leaf); found != listing.end()) return {found->second.attributes, false};
        // Not a long name there. Where it may be an 8.3 alias (they all hold "~"), ask the system,
        // which resolves aliases: what it finds under another name is reached through one.
        if (leaf.find(L'~') == std::wstring::npos) return {};
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW(work_.InTarget(name).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return {};
        FindClose(search);
        return {found.dwFileAttributes, Key(found.cFileName) != leaf};
    }

    // `folder`: relative, "" for the target itself.
    const Listing& List(const std::wstring& folder) {
        const std::wstring folderKey = Key(folder);
        if (const auto known = listings_.find(folderKey); known != listings_.end()) return known->second;
        Listing& listing = listings_[folderKey];
        WIN32_FIND_DATAW found;
        const HANDLE search =
            FindFirstFileW(((folder.empty() ? work_.Target() : work_.InTarget(folder)) + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return listing;
        do {
            const std::wstring entry = found.cFileName;
            // On a folder that tells case apart, two names can share a key: what one of them
            // would not be carried over, so such a folder is never exchanged.
            if (entry != L"." && entry != L".." && !listing.emplace(Key(entry), Listed{found.dwFileAttributes, entry}).second)
                ambiguous_.insert(folderKey);
        } while (FindNextFileW(search, &found));
        FindClose(search);
        return listing;
    }

    bool Ambiguous(const std::wstring& folder) const { return ambiguous_.count(Key(folder)) != 0; }

private:
    const WorkArea& work_;
    std::unordered_map<std::wstring, Listing> listings_;
    std::unordered_set<std::wstring> ambiguous_;
};

// Decides which folders directly in the target are exchanged whole, and what of them is carried
// over: every entry of their folders (theirs and below) that the package does not name.
void PlanSwaps(Plan& plan, const std::unordered_map<std::wstring, std::size_t>& byKey,
               const std::unordered_set<std::wstring>& newFolders, TargetView& target) {
    std::unordered_map<std::wstring, std::size_t> candidates;  // top folder key -> its entry
    for (std::size_t i = 0; i < plan.entries.size(); ++i) {
        const PlannedEntry& entry = plan.entries[i];
        if (entry.folder && ParentOf(entry.name).empty() && !newFolders.count(Key(entry.name)))
            candidates.emplace(Key(entry.name), i);
    }
    if (candidates.empty()) return;
    std::unordered_map<std::size_t, std::vector<std::wstring>> carried;  // by top folder entry
    std::unordered_set<std::size_t> refused;
    for (const PlannedEntry& entry : plan.entries) {
        if (!entry.folder || newFolders.count(Key(entry.name))) continue;
        const std::wstring name = entry.name;
        const auto top = candidates.find(Key(name.substr(0, name.find(L'\\'))));
        if (top == candidates.end() || refused.count(top->second)) continue;
        const TargetView::Listing& listing = target.List(name);
        if (target.Ambiguous(name)) {
            refused.insert(top->second);
            continue;
        }
        for (const auto& [key, listed] : listing) {
            if (byKey.count(Key(name) + L"\\" + key)) continue;
            const std::wstring extra = name + L"\\" + listed.name;
            // A link would have to be moved as itself, and a name the journal could not hold
            // would make the roll-back untrustworthy: that folder's files are moved one by one.
            if (IsLinkAttr(listed.attributes) || CheckMemberName(extra) != MemberNameFault::None) {
                refused.insert(top->second);
                break;
            }
            carried[top->second].push_back(extra);
        }
    }
    for (const auto& [key, index] : candidates) {
        if (refused.count(index)) continue;
        plan.entries[index].swap = true;
        for (std::wstring& name : carried[index]) plan.carries.push_back({std::move(name), index});
    }
    std::sort(plan.carries.begin(), plan.carries.end(),
              [](const CarriedEntry& a, const CarriedEntry& b) { return a.swap < b.swap || (a.swap == b.swap && a.name < b.name); });
}

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
    PlanSwaps(plan, byKey, newFolders, target);
    return {};
}

}  // namespace qln::install
