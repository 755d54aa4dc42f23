// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class SealedHeader;

// The key of a sealed wallet, derived from its passphrase with Argon2id, together with the salt and costs it was
// derived with (which every file sealed under it records). The key lives in locked memory, away from swap and core
// dumps where the system allows, and is wiped when the last holder lets it go.
class SealKey {
public:
    static constexpr int kKeySize = 32;

    struct Costs {
        quint32 operations = 0;
        quint32 memoryKiB = 0;
    };

    ~SealKey();
    SealKey(const SealKey&) = delete;
    SealKey& operator=(const SealKey&) = delete;

    // The costs that make a derivation take about `seconds` on this machine, with at least 64 MiB of memory.
    static Costs Calibrate(double seconds = 0.5);
    // About how many seconds one derivation with `costs` takes on this machine, scaled from a small one measured now.
    static double EstimateSeconds(Costs costs);
    // A key for sealing under a fresh random salt. Null with `error` when the costs are out of range or the
    // derivation fails (not enough memory).
    static std::shared_ptr<const SealKey> Create(const QString& passphrase, Costs costs, QString& error);
    // The key a sealed file's header asks for.
    static std::shared_ptr<const SealKey> Derive(const QString& passphrase, const SealedHeader& header, QString& error);

    // Overwrites the characters of a passphrase once it is no longer needed, and empties it.
    static void WipeText(QString& text);

    const unsigned char* Bytes() const { return m_key; }
    const QByteArray& Salt() const { return m_salt; }
    Costs DerivationCosts() const { return m_costs; }
    // Whether files sealed under this key carry `header`'s salt and costs.
    bool Matches(const SealedHeader& header) const;

private:
    SealKey(QByteArray salt, Costs costs);
    static std::shared_ptr<const SealKey> Make(const QString& passphrase, const QByteArray& salt, Costs costs,
                                               QString& error);

    unsigned char* m_key = nullptr;
    QByteArray m_salt;
    Costs m_costs;
};
