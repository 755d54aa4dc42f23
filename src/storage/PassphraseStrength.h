// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// How hard a passphrase is to guess, as zxcvbn estimates it from the patterns people use (dictionary words, names,
// keyboard walks, dates, repeats, sequences). A sealed wallet is only as strong as its passphrase: whoever has the file
// can guess offline for as long as they like, each guess costing one key derivation.
class PassphraseStrength {
public:
    // Below this many bits a passphrase is refused for sealing: at half a second per guess on one machine it would
    // fall to a determined attacker with many machines.
    static constexpr double kMinimumBits = 50;

    explicit PassphraseStrength(const QString& passphrase);

    double Bits() const { return m_bits; }
    bool IsStrongEnough() const { return m_bits >= kMinimumBits; }
    // What makes it weak, for the user ("it is a common word or name"); empty when it is strong enough.
    QString Reason() const { return m_reason; }
    // A word for the estimate shown while a passphrase is typed: "Very weak" to "Strong".
    QString Rating() const;

private:
    double m_bits = 0;
    QString m_reason;
};
