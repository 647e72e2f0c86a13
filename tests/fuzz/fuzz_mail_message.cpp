// The support mail's message model from any texts: every recipient and attachment kept in
// order with its class, each attachment shown under the last part of its path.
#include "FuzzInput.h"
#include "support/MapiControl.h"

using namespace gleaner;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput in(data, size);
    TMapiControl mail;
    mail.Subject = in.Text();
    mail.Body = in.Text();
    mail.FromName = in.Text();
    mail.FromAdress = in.Text();
    mail.ShowDialog = in.Byte() & 1;
    std::vector<std::wstring>* lists[] = {&mail.Recipients, &mail.CopyTo, &mail.BlindCopyTo, &mail.AttachedFiles};
    for (std::vector<std::wstring>* list : lists) {
        for (std::size_t n = in.Byte() % 5; n > 0; --n) list->push_back(in.Text());
    }

    const MapiMessageModel message = mail.BuildMessage();
    FUZZ_CHECK(message.subject == mail.Subject && message.noteText == mail.Body);
    FUZZ_CHECK(message.originator.name == mail.FromName && message.originator.address == mail.FromAdress);
    FUZZ_CHECK(message.recipients.size() == mail.Recipients.size() + mail.CopyTo.size() + mail.BlindCopyTo.size());
    std::size_t at = 0;
    const unsigned long classes[] = {kMapiTo, kMapiCc, kMapiBcc};
    for (int c = 0; c < 3; ++c) {
        for (const std::wstring& name : *lists[c]) {
            FUZZ_CHECK(message.recipients[at].recipClass == classes[c]);
            FUZZ_CHECK(message.recipients[at].name == name);
            FUZZ_CHECK(message.recipients[at].address == L"SMTP:" + name);
            ++at;
        }
    }
    FUZZ_CHECK(message.files.size() == mail.AttachedFiles.size());
    for (std::size_t i = 0; i < message.files.size(); ++i) {
        const MapiFile& file = message.files[i];
        FUZZ_CHECK(file.pathName == mail.AttachedFiles[i]);
        FUZZ_CHECK(file.fileName.size() <= file.pathName.size());
        FUZZ_CHECK(file.pathName.compare(file.pathName.size() - file.fileName.size(), std::wstring::npos,
                                         file.fileName) == 0);
        FUZZ_CHECK(file.fileName.find_first_of(L"\\:") == std::wstring::npos);
        FUZZ_CHECK(mail.DisplayFileName()[i] == file.fileName);
    }
    FUZZ_CHECK((message.sendFlags != 0) == mail.ShowDialog);
    return 0;
}
