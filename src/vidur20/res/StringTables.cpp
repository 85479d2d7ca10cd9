// SPDX-License-Identifier: MIT
// The library's string table in English and French. Message 13 was never translated and
// reads the same in both tables; "choosen" is how the product has always spelt it.
#include "vidur20/res/ResourceIds.h"
#include "vidur20/res/ResourceTables.h"

namespace {

constexpr const char* kNoPrinters =
    "This function cannot be used because no printers have been choosen. "
    "Please use the Chooser to select a printer.";

constexpr StringResource kStrings[] = {
    {IDS_STATUS_LOOKING, kLangEnglishUS, "status: looking for printer"},
    {IDS_STATUS_NOT_FOUND, kLangEnglishUS, "status: printer not found"},
    {IDS_NO_PRINTERS, kLangEnglishUS, kNoPrinters},
    {IDS_CHOICE_NOT_STORABLE, kLangEnglishUS,
     "The device is chosen, but its name cannot be kept in the list of recent devices."},
    {IDS_CHOICE_NOT_WRITTEN, kLangEnglishUS,
     "The device is chosen, but the list of recent devices could not be written."},
    {IDS_STATUS_LOOKING, kLangFrench, "Etat: recherche d'imprimante"},
    {IDS_STATUS_NOT_FOUND, kLangFrench, "Etat: imprimante absente"},
    {IDS_NO_PRINTERS, kLangFrench, kNoPrinters},
    {IDS_CHOICE_NOT_STORABLE, kLangFrench,
     "Le périphérique est choisi, mais son nom ne peut pas être gardé dans la liste des "
     "périphériques récents."},
    {IDS_CHOICE_NOT_WRITTEN, kLangFrench,
     "Le périphérique est choisi, mais la liste des périphériques récents n'a pas pu "
     "être écrite."},
};

} // namespace

std::span<const StringResource> Vidur20StringTables() { return kStrings; }
