// The fixed patches of export form files. Each works on the one table the form-file upgrade
// has open at that moment (named by its parameter) and leaves it open; the caller has
// checked the patch's switch and the entry's kind. A row a patch edits that is missing is
// skipped silently; only the upserts of entries and the renumbering of placements write to
// the log, and a post the engine refuses there is cancelled, logged and passed over.
#pragma once

#include "run/RunContext.h"
#include "schema/Table.h"

namespace kvt::forms {

// On CB21, after the EAddition list (additions flag "YES").
void SetE15735Clear(RunContext& ctx, Table& cb21);
void SetE15706Lookup(RunContext& ctx, Table& cb21);
void SetE13090Clear(RunContext& ctx, Table& cb21);

// Destination country entries 15766 and 15768: the entries on CB21, then the placements on
// CB23 (the caller closes CB21 and opens CB23 between the two). The placements are walked form
// by form through the handle's filter, which is left off afterwards.
void X101DestinationCountryEntries(RunContext& ctx, Table& cb21);
void X101DestinationCountryPlacements(RunContext& ctx, Table& cb23);
void X101Country15766Mode(RunContext& ctx, Table& cb21);

// On CB20.
void DisableOldX101Form(RunContext& ctx, Table& cb20);
void InvisibleF15104(RunContext& ctx, Table& cb20);

// On CB22, in this order.
void EAlterX191Lookup(RunContext& ctx, Table& cb22);
void EAlterX198Lookup(RunContext& ctx, Table& cb22);
void EAlterX198FieldLen(RunContext& ctx, Table& cb22);
void EAlterX6And7Trans(RunContext& ctx, Table& cb22);
void EAlterECFAFormulas(RunContext& ctx, Table& cb22);  // the formula part
void EAlterFR16Formular(RunContext& ctx, Table& cb22);
void EAlterECFAEnterCopy(RunContext& ctx, Table& cb22);  // the EnterCopy part

// On CB2F0, in this order.
void EAlterFI05Formular(RunContext& ctx, Table& cb2f0);
void EAlterFI36Formular(RunContext& ctx, Table& cb2f0);
void EAlterEZ84EZ86(RunContext& ctx, Table& cb2f0);

}  // namespace kvt::forms
