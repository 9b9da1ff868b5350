#pragma once
// The two operations that end a unit of work in the shared transaction.
namespace controls { class Prompts; }

namespace db {

class Transaction;

// Commits retaining; a failed commit is rolled back and reported, never raised.
void ZatwierdzDane(Transaction& transaction, controls::Prompts& prompts);
// Rolls back retaining.
void WycofajDane(Transaction& transaction);

}  // namespace db
