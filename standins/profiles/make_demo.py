#!/usr/bin/env python3
"""Writes demo.json, the profile the demo opens: two stores, folders of every kind and one of
mixed classes, a few hundred items with exact duplicates and near-misses, subjects in several
scripts."""
import copy
import json
import random
import pathlib

r = random.Random(7)

SUBJECTS = [
    "Quarterly report", "Réunion d'équipe à Genève", "Überprüfung der Verträge", "Año nuevo, planes nuevos",
    "Отчёт за неделю", "Встреча с клиентом", "Συνάντηση προσωπικού", "Προϋπολογισμός έργου",
    "项目进度更新", "会议纪要", "Budget 2009", "Café & croissants", "Résumé for Zoë", "Lunch on Friday",
    "Smörgåsbord planning", "Invoice #4711", "Travel to Kraków", "Release notes 1.5",
]
PEOPLE = ["Anna Schmidt", "Борис Иванов", "Χρήστος Παππάς", "李明", "Zoë Dupont", "José García", "Ole Nørgaard"]
BODIES = [
    "Please find the details below.\r\nBest regards", "Как договорились, высылаю документы.",
    "Σας στέλνω το πρόγραμμα της εβδομάδας.", "请查看附件中的文件。", "Merci pour votre réponse rapide.",
    "See you there.", "Die Unterlagen liegen im Anhang.",
]


def date(day_offset=0, hour=None):
    d = r.randint(1, 27)
    m = r.randint(1, 12)
    h = r.randint(8, 18) if hour is None else hour
    return f"2009-{m:02d}-{d:02d}T{h:02d}:{r.randint(0, 59):02d}:{r.randint(0, 59):02d}"


def mail():
    return {"messageClass": "IPM.Note", "Subject": r.choice(SUBJECTS), "Body": r.choice(BODIES),
            "SenderName": r.choice(PEOPLE), "To": r.choice(PEOPLE), "CC": "", "BCC": "",
            "CreationTime": date(), "UnRead": r.random() < 0.3, "Importance": r.choice([0, 1, 1, 2])}


def appointment():
    start = date(hour=r.randint(8, 16))
    end = start[:11] + f"{int(start[11:13]) + 1:02d}" + start[13:]
    return {"messageClass": "IPM.Appointment", "Subject": r.choice(SUBJECTS), "Body": r.choice(BODIES),
            "Location": r.choice(["Room 1", "Зал 2", "Αίθουσα 3", "会议室", "Café"]), "Start": start, "End": end,
            "CreationTime": date()}


def contact():
    name = r.choice(PEOPLE) + f" {r.randint(1, 99)}"
    first, _, last = name.partition(" ")
    return {"messageClass": "IPM.Contact", "Subject": name, "Body": "", "FullName": name, "FirstName": first,
            "LastName": last, "Email1Address": f"user{r.randint(1, 999)}@example.com",
            "Email1DisplayName": name, "MailingAddress": "Hauptstraße 1, Berlin",
            "BusinessTelephoneNumber": f"+49 30 {r.randint(100000, 999999)}",
            "HomeTelephoneNumber": f"+7 495 {r.randint(100000, 999999)}",
            "MobileTelephoneNumber": f"+30 69 {r.randint(10000000, 99999999)}", "CreationTime": date()}


def journal():
    start = date()
    return {"messageClass": "IPM.Activity", "Subject": "Phone call: " + r.choice(SUBJECTS), "Body": r.choice(BODIES),
            "Start": start, "End": start, "CreationTime": date()}


def note():
    text = r.choice(SUBJECTS)
    return {"messageClass": "IPM.StickyNote", "Subject": text, "Body": text + "\r\n" + r.choice(BODIES),
            "CreationTime": date(), "LastModificationTime": date()}


def task():
    return {"messageClass": "IPM.Task", "Subject": r.choice(SUBJECTS), "Body": r.choice(BODIES),
            "StartDate": date(hour=0)[:10] + "T00:00:00", "DueDate": date(hour=0)[:10] + "T00:00:00",
            "Owner": r.choice(PEOPLE), "TotalWork": r.choice([0, 60, 120]), "ActualWork": r.choice([0, 30])}


def post():
    return {"messageClass": "IPM.Post", "Subject": r.choice(SUBJECTS), "Body": r.choice(BODIES),
            "SenderName": r.choice(PEOPLE), "CreationTime": date()}


NEAR_MISS = {"IPM.Note": "Body", "IPM.Appointment": "Location", "IPM.Contact": "Email1Address",
             "IPM.Activity": "End", "IPM.StickyNote": "Body", "IPM.Task": "DueDate", "IPM.Post": "Body"}


def items(make, count, duplicates=0.2, near=0.1):
    """Fresh items, exact copies of earlier ones, and near-misses that differ in one compared value."""
    out = []
    for _ in range(count):
        x = r.random()
        if out and x < duplicates:
            out.append(copy.deepcopy(r.choice(out)))
        elif out and x < duplicates + near:
            item = copy.deepcopy(r.choice(out))
            key = NEAR_MISS[item["messageClass"]]
            if key in ("End", "DueDate"):
                item[key] = item[key][:-2] + f"{(int(item[key][-2:]) + 1) % 60:02d}"
            else:
                item[key] = item[key] + " "
            out.append(item)
        else:
            out.append(make())
    return out


def folder(name, kind, content, sub=(), **extra):
    node = {"name": name, "defaultItemType": kind, "items": content, "folders": list(sub)}
    node.update(extra)
    return node


unsupported = [
    {"messageClass": "IPM.Note.SMIME", "Subject": "Signed: Budget 2009", "Body": "signed", "SenderName": "Anna Schmidt"},
    {"messageClass": "IPM.Note.SMIME", "Subject": "Signed: Budget 2009", "Body": "signed", "SenderName": "Anna Schmidt"},
    {"messageClass": "IPM.Schedule.Meeting.Request", "Subject": "Встреча с клиентом", "Body": "Invitation"},
    {"messageClass": "IPM.Schedule.Meeting.Request", "Subject": "Встреча с клиентом", "Body": "Invitation"},
    {"messageClass": "IPM.DistList", "Subject": "Team list", "Body": ""},
]

personal = folder("Personal Folders", 0, [], [
    folder("Inbox", 0, items(mail, 80) + unsupported, [
        folder("Projects", 0, items(mail, 30)),
        folder("Проекты", 0, items(mail, 20), [folder("2009", 0, items(mail, 15))]),
    ], role="inbox"),
    folder("Sent Items", 0, items(mail, 25), role="sentMail"),
    folder("Calendar", 1, items(appointment, 40), role="calendar"),
    folder("Contacts", 2, items(contact, 40), [folder("Κοινές επαφές", 2, items(contact, 12))], role="contacts"),
    folder("Journal", 4, items(journal, 20), role="journal"),
    folder("Notes", 5, items(note, 20), role="notes"),
    folder("Tasks", 3, items(task, 25), role="tasks"),
    folder("Team Posts", 6, items(post, 10)),
    folder("Deleted Items", 0, [], role="deletedItems"),
])

archive = folder("Archive Folders", 0, [], [
    folder("Inbox", 0, items(mail, 40), [folder("会议", 0, items(mail, 10))]),
    folder("Calendar", 1, items(appointment, 15)),
    folder("Contacts", 2, items(contact, 15)),
    folder("Tasks", 3, items(task, 10)),
    folder("Deleted Items", 0, [], role="deletedItems"),
])

# A mail folder holding items of several classes, as one does once notes or posts have been
# dragged into it: Outlook describes each class with an interface of its own, and a NoteItem's
# Subject has another DISPID than a MailItem's. Drawn last, so the folders above stay as they were.
mixed_mail = items(mail, 6, duplicates=0, near=0)
mixed_notes = items(note, 5, duplicates=0, near=0)
follow_up = (mixed_mail + mixed_notes + [copy.deepcopy(mixed_mail[0]), copy.deepcopy(mixed_mail[3]),
                                         copy.deepcopy(mixed_notes[1])] + [post(), post()] +
             [{"messageClass": "IPM.Schedule.Meeting.Request", "Subject": "Lunch on Friday", "Body": "Invitation"}])
r.shuffle(follow_up)
personal["folders"].append(folder("Follow-up", 0, follow_up))

profile = {
    "version": "12.0.0.6423",
    "addins": [
        {"description": "Gleaner toolbar for Outlook", "progId": "Gleaner.OutlookAddin",
         "guid": "{6C1D3A60-8A2B-4E84-9F6B-1B9A6E2F4C11}", "connect": True},
        {"description": "Business Contact Manager", "progId": "BCM.Addin",
         "guid": "{0A3F3A2E-5B7C-4C8D-8E9F-2A3B4C5D6E7F}", "connect": False},
    ],
    "stores": [personal, archive],
}

out = pathlib.Path(__file__).with_name("demo.json")
out.write_text(json.dumps(profile, ensure_ascii=False, indent=1) + "\n", encoding="utf-8")
count = 0
def walk(f):
    global count
    count += len(f["items"])
    for s in f["folders"]:
        walk(s)
for s in profile["stores"]:
    walk(s)
print(f"{count} items -> {out}")
