#include <gtest/gtest.h>

#include "plugin/install_journal.h"

namespace qln {
namespace {

std::vector<JournalEntry> Sample() {
    JournalEntry folder;
    folder.kind = JournalEntry::Kind::Folder;
    folder.name = L"qln_demo";
    folder.existed = true;
    folder.attributes = 0x10;
    JournalEntry created = folder;
    created.name = L"qln_demo\\插件 目录";
    created.existed = false;
    created.attributes = 0;
    JournalEntry file;
    file.kind = JournalEntry::Kind::File;
    file.name = L"qln_demo\\插件 目录\\主程序.rb";
    file.backup = 7;
    JournalEntry wide = file;
    wide.name = std::wstring(L"emoji-") + (sizeof(wchar_t) == 2 ? std::wstring(L"\xD83D\xDE00") : std::wstring(1, wchar_t(0x1F600)));
    wide.backup = 4000000000u;
    return {folder, created, file, wide};
}

void ExpectSame(const std::vector<JournalEntry>& a, const std::vector<JournalEntry>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].kind, b[i].kind) << i;
        EXPECT_EQ(a[i].name, b[i].name) << i;
        if (a[i].kind == JournalEntry::Kind::Folder) {
            EXPECT_EQ(a[i].existed, b[i].existed) << i;
            EXPECT_EQ(a[i].attributes, b[i].attributes) << i;
        } else {
            EXPECT_EQ(a[i].backup, b[i].backup) << i;
        }
    }
}

TEST(JournalTest, PlanRoundTripsAndCommitIsSeen) {
    const std::string plan = FormatJournalPlan(Sample());
    EXPECT_EQ(plan.rfind("QLN-INSTALL-JOURNAL 1\nD 1 00000010 qln_demo\n", 0), 0u) << plan;
    const Journal planned = ParseJournal(plan);
    EXPECT_EQ(planned.state, JournalState::Planned);
    ExpectSame(planned.entries, Sample());

    const Journal committed = ParseJournal(plan + std::string(kJournalCommitLine));
    EXPECT_EQ(committed.state, JournalState::Committed);
    ExpectSame(committed.entries, Sample());

    EXPECT_EQ(ParseJournal(FormatJournalPlan({})).state, JournalState::Planned);
}

TEST(JournalTest, APlanCutAnywhereBeforeItsEndIsIncompleteAndACutCommitIsNoCommit) {
    const std::string plan = FormatJournalPlan(Sample());
    for (std::size_t cut = 0; cut < plan.size(); ++cut) {
        const Journal journal = ParseJournal(plan.substr(0, cut));
        // A cut inside a name line may leave bytes that are no record: either way no move was made.
        EXPECT_TRUE(journal.state == JournalState::Incomplete || journal.state == JournalState::Unreadable) << cut;
        EXPECT_NE(journal.state, JournalState::Planned) << cut;
    }
    EXPECT_EQ(ParseJournal(plan + "COMM").state, JournalState::Planned);
}

TEST(JournalTest, ForeignTextIsUnreadable) {
    EXPECT_EQ(ParseJournal("hello\n").state, JournalState::Unreadable);
    EXPECT_EQ(ParseJournal("QLN-INSTALL-JOURNAL 2\nEND\n").state, JournalState::Unreadable);
    EXPECT_EQ(ParseJournal("QLN-INSTALL-JOURNAL 1\nX 1 a\nEND\n").state, JournalState::Unreadable);
    EXPECT_EQ(ParseJournal("QLN-INSTALL-JOURNAL 1\nD 2 00000000 a\nEND\n").state, JournalState::Unreadable);
    EXPECT_EQ(ParseJournal("QLN-INSTALL-JOURNAL 1\nD 1 0000 a\nEND\n").state, JournalState::Unreadable);
    EXPECT_EQ(ParseJournal("QLN-INSTALL-JOURNAL 1\nF 99999999999 a\nEND\n").state, JournalState::Unreadable);
    EXPECT_EQ(ParseJournal("QLN-INSTALL-JOURNAL 1\nF 1 \nEND\n").state, JournalState::Unreadable);
    EXPECT_EQ(ParseJournal("QLN-INSTALL-JOURNAL 1\nF 1 \xff\nEND\n").state, JournalState::Unreadable);
    EXPECT_EQ(ParseJournal("QLN-INSTALL-JOURNAL 1\nEND\nEND\n").state, JournalState::Unreadable);
    EXPECT_EQ(ParseJournal("").state, JournalState::Incomplete);
    EXPECT_EQ(ParseJournal("QLN-INS").state, JournalState::Incomplete);
}

TEST(Utf8Test, RoundTripsAndRefusesMalformedBytes) {
    std::wstring text;
    ASSERT_TRUE(DecodeJournalName(EncodeJournalName(L"a插件é"), text));
    EXPECT_EQ(text, L"a插件é");
    EXPECT_EQ(EncodeJournalName(L"插"), "\xe6\x8f\x92");
    for (const char* bad : {"\xc0\xaf", "\xe6\x8f", "\x80", "\xf8\x88\x80\x80\x80", "\xf4\x90\x80\x80"})
        EXPECT_FALSE(DecodeJournalName(bad, text)) << bad;
    if constexpr (sizeof(wchar_t) == 2) {
        const std::wstring lone(1, wchar_t(0xD800));
        ASSERT_TRUE(DecodeJournalName(EncodeJournalName(lone), text));
        EXPECT_EQ(text, lone);
    }
}

}  // namespace
}  // namespace qln

namespace qln {
namespace {

// A folder exchanged whole and what is carried over into it: written as the moves will read
// them, and a carried entry only ever below the folder exchanged into its slot.
TEST(JournalTest, ExchangedFoldersAndTheirCarriedEntriesRoundTripAndStayBelowTheirFolder) {
    const std::string swap = "QLN-INSTALL-JOURNAL 1\nS 3 00000011 qln_demo\n";
    const Journal read = ParseJournal(swap + "C 3 qln_demo\\用户\\notes.txt\nF 4 qln_demo.rb\nEND\n");
    ASSERT_EQ(read.state, JournalState::Planned);
    ASSERT_EQ(read.entries.size(), 3u);
    EXPECT_EQ(read.entries[0].kind, JournalEntry::Kind::Swap);
    EXPECT_EQ(read.entries[0].attributes, 0x11u);
    EXPECT_EQ(read.entries[1].kind, JournalEntry::Kind::Carry);
    EXPECT_EQ(read.entries[1].name, L"qln_demo\\用户\\notes.txt");
    EXPECT_EQ(FormatJournalPlan(read.entries), swap + "C 3 qln_demo\\用户\\notes.txt\nF 4 qln_demo.rb\nEND\n");

    for (const char* forged : {
             "C 3 qln_demo\\notes.txt\nS 3 00000010 qln_demo\n",  // carried before its folder is set aside
             "S 3 00000010 qln_demo\nC 4 qln_demo\\notes.txt\n",  // another slot
             "S 3 00000010 qln_demo\nC 3 qln_demox\\notes.txt\n", // beside the folder, not in it
             "S 3 00000010 qln_demo\nC 3 qln_demo\n",             // the folder itself
             "S 3 qln_demo\n",                                    // no attributes
         })
        EXPECT_EQ(ParseJournal(std::string("QLN-INSTALL-JOURNAL 1\n") + forged + "END\n").state, JournalState::Unreadable)
            << forged;
}

}  // namespace
}  // namespace qln
