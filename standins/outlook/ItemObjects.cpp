// Outlook's items of every kind, and their attachments.
#include "ObjectBase.h"

namespace standin {

namespace {

const MemberSet& ItemMembers(Kind kind)
{
    static const MemberSet common{M_Application, M_Session, M_Parent, M_Class, M_EntryID, M_MessageClass, M_Subject,
                                  M_Size, M_Attachments, M_Save, M_Move, M_Delete, M_Display, M_Close, M_Saved,
                                  M_Body, M_BillingInformation, M_Categories, M_Companies, M_ConversationIndex,
                                  M_ConversationTopic, M_CreationTime, M_Importance, M_LastModificationTime,
                                  M_Mileage, M_NoAging, M_Sensitivity, M_UnRead};
    static const MemberSet note{M_Application, M_Session, M_Parent, M_Class, M_EntryID, M_MessageClass, M_Subject,
                                M_Size, M_Save, M_Move, M_Delete, M_Display, M_Close, M_Saved, M_Body, M_Categories,
                                M_CreationTime, M_LastModificationTime};
    static const MemberSet mail{common, {M_SenderName, M_SenderEmailAddress, M_To, M_CC, M_BCC, M_ReceivedTime,
                                         M_SentOn, M_HTMLBody}};
    static const MemberSet meeting{common, {M_SenderName, M_SenderEmailAddress, M_ReceivedTime, M_SentOn}};
    static const MemberSet post{common, {M_SenderName, M_SenderEmailAddress, M_ReceivedTime, M_SentOn, M_HTMLBody}};
    static const MemberSet appointment{common, {M_Location, M_Start, M_End, M_Duration, M_AllDayEvent, M_Organizer,
                                                M_RequiredAttendees, M_OptionalAttendees, M_BusyStatus}};
    static const MemberSet contact{
        common,
        {M_Email1Address, M_Email1DisplayName, M_Email2Address, M_FullName, M_FirstName, M_LastName, M_MailingAddress,
         M_CompanyName, M_JobTitle, M_AssistantTelephoneNumber, M_BusinessTelephoneNumber, M_Business2TelephoneNumber,
         M_BusinessFaxNumber, M_CallbackTelephoneNumber, M_CarTelephoneNumber, M_CompanyMainTelephoneNumber,
         M_HomeTelephoneNumber, M_Home2TelephoneNumber, M_HomeFaxNumber, M_ISDNNumber, M_MobileTelephoneNumber,
         M_OtherTelephoneNumber, M_OtherFaxNumber, M_PagerNumber, M_PrimaryTelephoneNumber, M_RadioTelephoneNumber,
         M_TelexNumber, M_TTYTDDTelephoneNumber}};
    static const MemberSet journal{common, {M_Start, M_End, M_Duration, M_Type, M_ContactNames}};
    static const MemberSet task{common, {M_StartDate, M_DueDate, M_Owner, M_TotalWork, M_ActualWork, M_Complete,
                                         M_Status, M_PercentComplete, M_DateCompleted}};
    switch (kind) {
    case Kind::Mail: return mail;
    case Kind::Appointment: return appointment;
    case Kind::Contact: return contact;
    case Kind::Journal: return journal;
    case Kind::Note: return note;
    case Kind::Task: return task;
    case Kind::Meeting: return meeting;
    case Kind::Post: return post;
    default: return common;
    }
}

int ClassNumber(Kind kind)
{
    switch (kind) {
    case Kind::Mail: return 43;
    case Kind::Appointment: return 26;
    case Kind::Contact: return 40;
    case Kind::Journal: return 42;
    case Kind::Note: return 44;
    case Kind::Task: return 48;
    case Kind::Meeting: return 53;
    case Kind::Post: return 45;
    case Kind::DistList: return 69;
    default: return 46;
    }
}

// The interface Outlook describes an item of this kind with.
ClassId ItemClass(Kind kind)
{
    switch (kind) {
    case Kind::Mail: return ClassId::MailItem;
    case Kind::Appointment: return ClassId::AppointmentItem;
    case Kind::Contact: return ClassId::ContactItem;
    case Kind::Journal: return ClassId::JournalItem;
    case Kind::Note: return ClassId::NoteItem;
    case Kind::Task: return ClassId::TaskItem;
    case Kind::Meeting: return ClassId::MeetingItem;
    case Kind::Post: return ClassId::PostItem;
    case Kind::DistList: return ClassId::DistListItem;
    default: return ClassId::ReportItem;
    }
}

// Members the object-model guard protects, per item class, as far as the stand-in serves them
// (Microsoft's "Protected Properties and Methods").
bool IsGuarded(Kind kind, int id)
{
    if (id == M_Body) return true;
    switch (kind) {
    case Kind::Mail:
        return id == M_To || id == M_CC || id == M_BCC || id == M_HTMLBody || id == M_SenderName ||
               id == M_SenderEmailAddress;
    case Kind::Appointment: return id == M_Organizer || id == M_RequiredAttendees || id == M_OptionalAttendees;
    case Kind::Contact: return id == M_Email1Address || id == M_Email1DisplayName || id == M_Email2Address;
    case Kind::Journal: return id == M_ContactNames;
    case Kind::Task: return id == M_Owner || id == M_ContactNames;
    case Kind::Meeting: return id == M_SenderName;
    case Kind::Post: return id == M_HTMLBody || id == M_SenderName;
    default: return false;
    }
}

// A refused prompt as the user's "No" reaches the caller; the code is the profile's.
constexpr wchar_t kGuardRefused[] = L"Operation aborted";
constexpr wchar_t kMovedOrDeleted[] = L"The item has been moved or deleted.";
constexpr HRESULT kMapiObjectDeleted = static_cast<HRESULT>(0x8004010A);

class AttachmentObject : public Object {
public:
    AttachmentObject(std::shared_ptr<Session> s, IDispatch* app, std::shared_ptr<Item> item, int index)
        : Object(std::move(s), app), item_(std::move(item)), index_(index)
    {
    }
    ClassId classId() const override { return ClassId::Attachment; }

protected:
    bool has(int id) const override
    {
        static const MemberSet members{M_Application, M_Session, M_Parent, M_Class, M_DisplayName, M_FileName,
                                       M_Index, M_Size};
        return members.has(id);
    }
    void call(int id, WORD flags, const Args&, gleaner::Variant& result) override
    {
        if (IsPut(flags)) ReadOnly();
        if (static_cast<size_t>(index_) > item_->attachments.size()) throw Fault{kNotFound, kMapiNotFound};
        const std::wstring& name = item_->attachments[static_cast<size_t>(index_ - 1)];
        switch (id) {
        case M_Application: result = gleaner::Variant(application()); break;
        case M_Session: Give(result, NewNameSpace(session_, application())); break;
        case M_Parent: Give(result, NewItem(session_, application(), item_)); break;
        case M_Class: result = gleaner::Variant(5); break;
        case M_DisplayName:
        case M_FileName: result = gleaner::Variant(name); break;
        case M_Index: result = gleaner::Variant(index_); break;
        case M_Size: result = gleaner::Variant(1024); break;
        }
    }

private:
    std::shared_ptr<Item> item_;
    int index_;
};

class AttachmentsObject : public Object {
public:
    AttachmentsObject(std::shared_ptr<Session> s, IDispatch* app, std::shared_ptr<Item> item)
        : Object(std::move(s), app), item_(std::move(item))
    {
    }
    ClassId classId() const override { return ClassId::Attachments; }

protected:
    bool has(int id) const override
    {
        static const MemberSet members{M_Application, M_Session, M_Parent, M_Class, M_Count, M_Item};
        return members.has(id);
    }
    void call(int id, WORD flags, const Args& args, gleaner::Variant& result) override
    {
        if (IsPut(flags)) ReadOnly();
        CheckFault(item_->fail, L"Attachments." + MemberName(id));
        int count = static_cast<int>(item_->attachments.size());
        switch (id) {
        case M_Application: result = gleaner::Variant(application()); break;
        case M_Session: Give(result, NewNameSpace(session_, application())); break;
        case M_Parent: Give(result, NewItem(session_, application(), item_)); break;
        case M_Class: result = gleaner::Variant(18); break;
        case M_Count: result = gleaner::Variant(count); break;
        case M_Item: {
            int i = args.integer(0);
            if (i < 1 || i > count) throw Fault{kOutOfBounds, DISP_E_BADINDEX};
            Give(result, new AttachmentObject(session_, application(), item_, i));
            break;
        }
        }
    }

private:
    std::shared_ptr<Item> item_;
};

class ItemObject : public Object {
public:
    ItemObject(std::shared_ptr<Session> s, IDispatch* app, std::shared_ptr<Item> item)
        : Object(std::move(s), app), item_(std::move(item)), moves_(item_->moves),
          kind_(KindOfClass(item_->messageClass)), members_(&ItemMembers(kind_))
    {
    }
    ClassId classId() const override { return ItemClass(kind_); }

protected:
    bool has(int id) const override
    {
        if (members_->has(id)) return true;
        if (item_->find(id)) return true;
        for (auto& [key, value] : pending_) {
            if (key == id) return true;
        }
        return false;
    }

    void call(int id, WORD flags, const Args& args, gleaner::Variant& result) override
    {
        const std::wstring& name = MemberName(id);
        // Moved or deleted since this object was handed out: the object no longer names it
        // (Move hands out a new one).
        if (item_->moves != moves_) throw Fault{kMovedOrDeleted, kMapiObjectDeleted};
        CheckFault(item_->fail, name);
        profile().enter(*item_->parent);
        switch (id) {
        case M_Application: result = gleaner::Variant(application()); return;
        case M_Session: Give(result, NewNameSpace(session_, application())); return;
        case M_Parent: Give(result, NewFolder(session_, application(), item_->parent)); return;
        case M_Class: result = gleaner::Variant(ClassNumber(kind_)); return;
        case M_EntryID:
            if (IsPut(flags)) ReadOnly();
            result = gleaner::Variant(item_->entryId);
            return;
        case M_Size:
            if (IsPut(flags)) ReadOnly();
            result = gleaner::Variant(static_cast<long>(item_->size()));
            return;
        case M_Attachments: Give(result, new AttachmentsObject(session_, application(), item_)); return;
        case M_Saved: result = gleaner::Variant(pending_.empty()); return;
        case M_Close: return;
        case M_Save:
            if (!pending_.empty()) profile().setValues(*item_, pending_);
            pending_.clear();
            return;
        case M_Move: {
            Folder* destination = args.size() > 0 ? FolderOf(args.at(0)) : nullptr;
            if (!destination) throw Fault{kBadParameter, E_INVALIDARG};
            profile().move(*item_, *destination);
            Give(result, NewItem(session_, application(), item_));
            return;
        }
        case M_Delete: profile().remove(*item_); return;
        case M_Display: {
            bool modal = args.present(0) && args.boolean(0);
            const Value* subject = item_->find(M_Subject);
            session().displayLog.push_back(item_->entryId + L"\t" + (subject ? subject->text : L"") + L"\t" +
                                           (modal ? L"True" : L"False"));
            return;
        }
        case M_MessageClass:
            if (!IsPut(flags)) {
                const Value* pending = findPending(id);
                result = gleaner::Variant(pending ? pending->text : item_->messageClass);
                return;
            }
            break;
        }
        if (IsPut(flags)) {
            Value value = ValueFromVariant(id, args.value());
            for (auto& [key, existing] : pending_) {
                if (key == id) {
                    existing = std::move(value);
                    return;
                }
            }
            pending_.emplace_back(id, std::move(value));
            return;
        }
        if (session().guard && IsGuarded(kind_, id)) {
            ++session().prompts;
            if (session().answers.guardRefuses) throw Fault{kGuardRefused, session().answers.guardCode};
        }
        if (const Value* pending = findPending(id)) PutValue(result, *pending);
        else if (const Value* stored = item_->find(id)) PutValue(result, *stored);
        else PutValue(result, DefaultValue(id));
    }

private:
    const Value* findPending(int id) const
    {
        for (auto& [key, value] : pending_) {
            if (key == id) return &value;
        }
        return nullptr;
    }

    std::shared_ptr<Item> item_;
    std::uint32_t moves_; // the item's when this object was made
    Kind kind_;
    const MemberSet* members_;
    // Property writes wait for Save, as in Outlook.
    std::vector<std::pair<int, Value>> pending_;
};

} // namespace

Object* NewItem(const std::shared_ptr<Session>& s, IDispatch* app, std::shared_ptr<Item> item)
{
    return new ItemObject(s, app, std::move(item));
}

} // namespace standin
