// SPDX-License-Identifier: GPL-3.0-or-later
#include "resources/korvelres/KorvelRes.h"

#include "resources/korvelres/IconIndex.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace {

constexpr int kFirstTemplateId = 5000;

// The built-in card templates, in the order a new wallet receives them.
constexpr std::u16string_view kTemplates[] = {
    u"Calling Card,530,Access #,0,Card #,0,Company,0,PIN,3,Rate/min,0,Expires,0,Cust Svc.,0",
    u"Dining: Restaurant,542,Cuisine,0,Phone,6,Fax,6,Hours,0,Attire,0,Fav. Item,0,Fav. Item,0,Fav. Item,0,Address1,0,"
    u"Address2,0",
    u"Clothing Size,543,Size,0,Style,0,Fav. Brand1,0,Fav. Brand2,0,Store,0,Price Range,0",
    u"Dining: Pick-up/Delivery,540,Phone,6,Fax,6,Hours,0,Est. Time,0,Fav. Item,0,Fav. Item,0,Fav. Item,0,Address1,0,"
    u"Address2,0,Website,4",
    u"Emergency Contacts,558,Police,0,Fire Dept.,0,Doctor,0,Ambulance,0,Dentist,0,Vet,0,Electric Co.,0,Gas Co.,0,"
    u"Phone Co.,0,Landlord,0,Other,0",
    u"Event,538,Begins,0,Ends,0,Location,0,City,0,Organizer,0,Cost,7,Phone,6,Fax,6,Website,4,Confirm #,0",
    u"Exercise,586,Started On,0,Weight,0,Waist,0,Chest,0,Reps,0,Time,0,Distance,0,Calories,0,Laps,0,Equipment,0",
    u"Finance: Bank Account,566,Acct #,0,Routing #,0,ATM Pin,3,Min. Balance,7,Branch,0,Phone1,6,Phone2,6,Hours,0,"
    u"Website,4,Username,0,Password,3",
    u"Finance: Credit Card,524,Acct #,0,Expires,0,ATM Pin,3,Security Code,3,Card Holder,0,Credit Limit,7,Interest %,0,"
    u"Phone1,6,Phone2,6,Website,4,Username,0,Password,3",
    u"Finance: Investment,535,Type,0,Symbol,0,Market,0,Broker,0,Acct #,0,Purch. Price,7,Amount,0,Quantity,0,Phone1,6,"
    u"Phone2,6,Website,4",
    u"Health: Insurance Policy,551,Type,0,Policy #,0,Group,0,Group #,0,Underwriter,0,Visit Co-Pay,7,RX Co-Pay,7,Cost,7,"
    u"Expires,6,Phone,6,Physician,0,Pharmacy,0",
    u"Health: Prescription,552,Disorder,0,Symptoms,0,Dosage,0,Frequency,0,Duration,0,Purch. Date,0,Pharmacy,0,"
    u"Presc. #,0,Cost,7,Phone,6,Doctor,0",
    u"Generic: Notes,534,Subject,0,Date/Time,0",
    u"Generic: Account,557,Group,0,Acct #,0,Password,3,PIN,3,Phone1,6,Phone2,6",
    u"Library Card,528,Location,0,Acct #,0,PIN,3,Address1,0,Address2,0,Hours,0,Phone,6",
    u"Lock Combination,578,Location,0,Combination,0,Make,0,Model,0,Serial #,0,Phone,6",
    u"Online: Website,547,URL,4,Username,0,Password,3,Email,5",
    u"Password,557,Username,0,Password,3,Old Pswd1,3,Old Pswd2,3,Old Pswd3,3",
    u"Software License,509,Serial #,0,Product ID,0,Version,0,Reg. #,0,Per User Cost,7,Num. Users,0,Purch. Date,0,"
    u"Sales Rep,0,Website,4,Sppt. Phone,6,Sppt. Email,5",
    u"Travel: Frequent Flyer Account,588,Acct #,0,PIN,3,Airline,0,Status,0,Phone1,6,Phone2,6,Website,4,Username,0,"
    u"Password,3,Award1,0,Award2,0",
    u"Identification: Passport,556,Full Name,0,Passport #,0,DOB,0,Birth Place,0,Nationality,0,Issued On,0,"
    u"Expires On,0,Type,0,Authority,0,Phone1,6,Phone2,6",
    u"Identification: Driver's License,555,Full Name,0,License #,0,State,0,Type,0,Issued On,0,Expires On,0,"
    u"Restrictions,0,Class,0,Organ Donor,0,Phone,6",
    u"Voice Mail Codes,574,Access #,0,Mailbox #,0,Password,3,Return Call,0,Delete,0,Save,0,Replay,0,Forward,0,"
    u"Next Msg,0,Prev Msg,0,Delete All,0,Greeting,0",
    u"Warranty,550,Brand,0,Make,0,Model #,0,Serial #,0,Purch. Date,0,Purch. Price,7,Dealer,0,Expires,0,Svc. Phone,6",
    u"Pet Info,571,Breed,0,Sex,0,Birthday,0,Fav. Food1,0,Fav. Food2,0,Fav. Food3,0,Vet Name,0,Vet Phone,6,"
    u"Last Visit,0,Walk Time,0,Tag #,0",
    u"Entertainment: Band/Discography,510,Formed In,0,Album1,0,Album2,0,Album3,0,Album4,0,Album5,0,Fav. Album,0,"
    u"Fav. Single,0,Website,4,Ticket Info,0",
    u"Gift Ideas for Him,544,Birthday,0,Anniversary,0,Interests,0,Fav. Stores,0,Music Type,0,Waist,0,Length,0,"
    u"Shoes,0,Shirts,0,Fav. Teams,0,Cologne,0",
    u"Gift Ideas for Her,544,Birthday,0,Anniversary,0,Interests,0,Fav. Stores,0,Music Type,0,Waist,0,Length,0,"
    u"Shoes,0,Bra Size,0,Fav. Food,0,Perfume,0,Jewelry,0",
    u"Online: Shopping/Travel/Misc. Account,593,Website,4,Username,0,Password,3,Phone,6,Email,5",
    u"Online: Internet Service Provider,547,Username,0,Password,3,Email Addr.,5,Local #,0,Alt. Local #,0,"
    u"Toll-free #,0,Cust Svc.,0,Website,4,Prim. DNS,0,Sec. DNS,0,IP Address,0",
    u"Finance: Loan,566,Acct #,0,Type,0,Lender,0,Principal,7,Interest %,0,Term,0,Balance,7,Pymt Due,0,Asset,0,"
    u"Phone1,6,Phone2,6",
    u"Identification: Social Security Card,508,SSN,0,Full Name,0,SS Phone,6",
    u"Insurance Policy,550,Type,0,Policy #,0,Underwriter,0,Agent,0,Cost,7,Deductible,7,Effective,0,Expires,0,"
    u"Dependents,0,Coverage,0,Phone1,6,Phone2,6",
    u"Vehicle Profile,502,Plate #,1,Renewal Date,0,Vehicle ID #,0,Insurer,0,Insurer Phone,6,Policy #,0,Expires,0,"
    u"Dealer,0,Dealer Phone,6,Workshop,6,Last Oil Ch.,0",
};
constexpr int kTemplateCount = int(std::size(kTemplates));
static_assert(kTemplateCount == 34);

struct StringEntry {
    int id;
    std::u16string_view text;
};

constexpr StringEntry kOtherStrings[] = {
    {10000, u"General;My Accounts;Auto;Internet;Personal Finance;Business;Calling Cards;Prescriptions;Stuff;Clubs;"
            u"Software;Credit Cards;Restaurants;Education;Emergencies;Entertainment;Online Accounts;Health & Fitness;"
            u"Home Related;Miscellaneous;Travel;Passwords;Most Important;Personal;Gift Ideas;"},
    {10001, u" "},
    {10006, u"This template cannot be altered because one or more cards are using it. Altering this template will "
            u"corrupt the data in those cards. However, you can duplicate this template and then make changes to the "
            u"duplicate."},
    {10007, u"This template cannot be deleted because one or more cards are using it."},
};

const std::u16string_view* FindString(int id) {
    if (id >= kFirstTemplateId && id < kFirstTemplateId + kTemplateCount)
        return &kTemplates[id - kFirstTemplateId];
    const auto* entry = std::ranges::find(kOtherStrings, id, &StringEntry::id);
    return entry != std::end(kOtherStrings) ? &entry->text : nullptr;
}

const korvelres::IconImage* FindIcon(int id, int size) {
    if (id < korvelres::kFirstIconId || id >= korvelres::kFirstIconId + korvelres::kIconCount)
        return nullptr;
    const korvelres::Icon& icon = *korvelres::kIcons[id - korvelres::kFirstIconId];
    const korvelres::IconImage* end = icon.images + icon.count;
    const auto* fitting = std::find_if(icon.images, end, [size](const auto& image) { return image.size >= size; });
    return fitting != end ? fitting : end - 1;
}

template <class T> const T* WithLength(const T* data, int length, int* lengthOut) {
    if (lengthOut)
        *lengthOut = length;
    return data;
}

} // namespace

void GetImagesInfo(int* firstId, int* count) {
    *firstId = korvelres::kFirstIconId;
    *count = korvelres::kIconCount;
}

void GetTemplatesInfo(int* firstId, int* count) {
    *firstId = kFirstTemplateId;
    *count = kTemplateCount;
}

const char16_t* KorvelResString(int id, int* length) {
    // Every text is a literal, so the view's data is null-terminated.
    const std::u16string_view* text = FindString(id);
    return text ? WithLength(text->data(), int(text->size()), length) : WithLength<char16_t>(nullptr, 0, length);
}

const unsigned char* KorvelResIcon(int id, int size, int* length) {
    const korvelres::IconImage* image = FindIcon(id, size);
    return image ? WithLength(image->png, image->length, length) : WithLength<unsigned char>(nullptr, 0, length);
}
