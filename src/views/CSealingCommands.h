// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class CWallet;

// File > Seal Wallet... and Unseal Wallet...: the questions around CWallet::SealFile and UnsealFile.
class CSealingCommands {
public:
    // Asks for a new passphrase (saving a wallet that has no file yet first) and seals the file, or gives a sealed
    // wallet its new passphrase. True when the file was sealed.
    static bool Seal(CWallet& wallet);
    // After confirmation, writes the sealed wallet as an ordinary one. True when it was unsealed.
    static bool Unseal(CWallet& wallet);
};
