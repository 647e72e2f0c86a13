// The mail component's message model: descriptors built from the properties, and the outcome
// mapped to the events.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/MapiControl.h"

using namespace gleaner;

namespace {

std::vector<std::wstring> Classes(const MapiMessageModel& m)
{
    std::vector<std::wstring> out;
    for (const MapiRecipient& r : m.recipients)
        out.push_back(std::to_wstring(r.recipClass) + L" " + r.name + L" " + r.address);
    return out;
}

} // namespace

TEST(MapiMessageTest, RecipientNameIsTheEntryAndAddressIsSmtpPrefixed)
{
    for (const std::wstring entry : {L"x", L"", L"John Doe <jd@host.example>", L"SMTP:already"}) {
        TMapiControl mail;
        mail.Recipients = {entry};
        const MapiMessageModel m = mail.BuildMessage();
        ASSERT_EQ(m.recipients.size(), 1u);
        EXPECT_EQ(m.recipients[0].recipClass, kMapiTo);
        EXPECT_EQ(m.recipients[0].name, entry);
        EXPECT_EQ(m.recipients[0].address, L"SMTP:" + entry);
    }
}

TEST(MapiMessageTest, ToThenCcThenBccEachInItsOwnOrder)
{
    TMapiControl mail;
    mail.BlindCopyTo = {L"b1"};
    mail.CopyTo = {L"c1", L"c2"};
    mail.Recipients = {L"t1", L"t2"};
    const std::vector<std::wstring> expected = {L"1 t1 SMTP:t1", L"1 t2 SMTP:t2", L"2 c1 SMTP:c1",
                                                L"2 c2 SMTP:c2", L"3 b1 SMTP:b1"};
    EXPECT_EQ(Classes(mail.BuildMessage()), expected);
}

TEST(MapiMessageTest, OriginatorIsAlwaysThereWithItsAddressUnchanged)
{
    TMapiControl empty;
    const MapiMessageModel a = empty.BuildMessage();
    EXPECT_EQ(a.originator.recipClass, kMapiOrig);
    EXPECT_EQ(a.originator.name, L"");
    EXPECT_EQ(a.originator.address, L"");
    EXPECT_TRUE(a.recipients.empty());

    TMapiControl mail;
    mail.FromName = L"Me";
    mail.FromAdress = L"me@host.example";
    mail.Subject = L"S";
    mail.Body = L"B";
    const MapiMessageModel b = mail.BuildMessage();
    EXPECT_EQ(b.originator.name, L"Me");
    EXPECT_EQ(b.originator.address, L"me@host.example");
    EXPECT_EQ(b.subject, L"S");
    EXPECT_EQ(b.noteText, L"B");
}

TEST(MapiMessageTest, DisplayFileNameIsTheTextAfterTheLastBackslashOrColon)
{
    TMapiControl mail;
    mail.AttachedFiles = {L"C:\\logs\\Gleaner.sys.log", L"D:report.txt", L"plain.txt", L"\\\\server\\share\\a:b",
                          L"C:\\folder\\"};
    const MapiMessageModel m = mail.BuildMessage();
    const std::vector<std::wstring> expected = {L"Gleaner.sys.log", L"report.txt", L"plain.txt", L"b", L""};
    EXPECT_EQ(mail.DisplayFileName(), expected);
    ASSERT_EQ(m.files.size(), expected.size());
    for (size_t i = 0; i < m.files.size(); ++i) {
        EXPECT_EQ(m.files[i].pathName, mail.AttachedFiles[i]);
        EXPECT_EQ(m.files[i].fileName, expected[i]);
        EXPECT_EQ(m.files[i].position, -1);
        EXPECT_EQ(m.files[i].flags, 0u);
    }
}

TEST(MapiMessageTest, NoAttachmentsKeepsTheEarlierDisplayNames)
{
    TMapiControl mail;
    mail.AttachedFiles = {L"C:\\a\\one.txt", L"C:\\a\\two.txt"};
    mail.BuildMessage();
    mail.AttachedFiles.clear();
    const MapiMessageModel m = mail.BuildMessage();
    EXPECT_TRUE(m.files.empty());
    EXPECT_EQ(mail.DisplayFileName(), (std::vector<std::wstring>{L"one.txt", L"two.txt"}));

    // A later send with files replaces them all.
    mail.AttachedFiles = {L"C:\\three.txt"};
    mail.BuildMessage();
    EXPECT_EQ(mail.DisplayFileName(), (std::vector<std::wstring>{L"three.txt"}));
}

TEST(MapiMessageTest, FlagsAreElevenWithTheDialogAndZeroWithout)
{
    TMapiControl mail;
    EXPECT_FALSE(mail.ShowDialog);
    EXPECT_EQ(mail.BuildMessage().sendFlags, 0u);
    mail.ShowDialog = true;
    EXPECT_EQ(mail.BuildMessage().sendFlags, 11u);
}

TEST(MapiMessageTest, AssigningAListCopiesIt)
{
    std::vector<std::wstring> mine = {L"a"};
    TMapiControl mail;
    mail.Recipients = mine;
    mine.push_back(L"b");
    mine[0] = L"changed";
    EXPECT_EQ(mail.Recipients, std::vector<std::wstring>{L"a"});
}

TEST(MapiMessageTest, EachResultReachesOnlyItsEvent)
{
    struct Case {
        unsigned long result;
        const char* expected;
    } cases[] = {{0, "success"}, {1, "abort"}, {2, "error 2"}, {26, "error 26"}, {0xFFFFFFFFul, "error -1"}};
    for (const Case& c : cases) {
        TMapiControl mail;
        std::string seen;
        mail.OnSuccess = [&](TMapiControl& sender) { seen += &sender == &mail ? "success" : "?"; };
        mail.OnUserAbort = [&](TMapiControl& sender) { seen += &sender == &mail ? "abort" : "?"; };
        mail.OnMapiError = [&](TMapiControl&, std::int32_t code) { seen += "error " + std::to_string(code); };
        mail.Report(c.result);
        EXPECT_EQ(seen, c.expected) << c.result;
    }
    TMapiControl unassigned; // events without handlers are skipped
    for (const Case& c : cases) unassigned.Report(c.result);
}
