// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/SealKey.h"

#include "storage/SealedHeader.h"

#include <QElapsedTimer>

#include <sodium.h>

#include <algorithm>
#include <cmath>
#include <new>

namespace {
constexpr quint32 kLeastMemoryKiB = 64 * 1024;
constexpr quint32 kMostCalibratedMemoryKiB = 128 * 1024;
constexpr quint32 kSampleMemoryKiB = 8 * 1024;

// The passphrase as the format defines it: UTF-8 of its NFC form, so the same words typed on another system give
// the same key. The copy is wiped by the caller.
QByteArray PassphraseBytes(const QString& passphrase) {
    return passphrase.normalized(QString::NormalizationForm_C).toUtf8();
}

bool RunArgon2id(unsigned char* key, const QByteArray& passphrase, const QByteArray& salt, SealKey::Costs costs) {
    return crypto_pwhash(key, SealKey::kKeySize, passphrase.constData(), quint64(passphrase.size()),
                         reinterpret_cast<const unsigned char*>(salt.constData()), costs.operations,
                         size_t(costs.memoryKiB) * 1024, crypto_pwhash_ALG_ARGON2ID13) == 0;
}
} // namespace

SealKey::SealKey(QByteArray salt, Costs costs) : m_salt(std::move(salt)), m_costs(costs) {
    if (sodium_init() < 0)
        throw std::bad_alloc();
    m_key = static_cast<unsigned char*>(sodium_malloc(kKeySize));
    if (!m_key)
        throw std::bad_alloc();
}

SealKey::~SealKey() {
    sodium_free(m_key); // wipes it
}

SealKey::Costs SealKey::Calibrate(double seconds) {
    if (sodium_init() < 0)
        return {1, kLeastMemoryKiB};
    unsigned char key[kKeySize];
    const QByteArray salt(SealedHeader::kSaltSize, '\0');
    // The first derivation of a process pays for starting up; the second shows what every opening will cost.
    QElapsedTimer timer;
    for (int run = 0; run < 2; ++run) {
        timer.start();
        RunArgon2id(key, QByteArrayLiteral("calibration"), salt, {1, kLeastMemoryKiB});
    }
    sodium_memzero(key, sizeof key);
    const double once = std::max(timer.nsecsElapsed() / 1e9, 1e-3);
    // More memory makes every guess dearer for hardware built to guess; time left over after that goes to passes.
    const double budget = seconds / once;
    const double memoryFactor = std::clamp(budget, 1.0, double(kMostCalibratedMemoryKiB / kLeastMemoryKiB));
    const quint32 memoryKiB = quint32(kLeastMemoryKiB * std::floor(memoryFactor));
    const double passes = budget / std::floor(memoryFactor);
    return {quint32(std::clamp(std::lround(passes), 1L, long(SealedHeader::kUsualMaxOperations))), memoryKiB};
}

// Argon2id's time grows with passes times memory.
double SealKey::EstimateSeconds(Costs costs) {
    if (sodium_init() < 0)
        return 0;
    unsigned char key[kKeySize];
    QElapsedTimer timer;
    timer.start();
    RunArgon2id(key, QByteArrayLiteral("estimate"), QByteArray(SealedHeader::kSaltSize, '\0'), {1, kSampleMemoryKiB});
    const double sample = timer.nsecsElapsed() / 1e9;
    sodium_memzero(key, sizeof key);
    return sample * costs.operations * (double(costs.memoryKiB) / kSampleMemoryKiB);
}

// Sealing stays within what every opening accepts without asking.
std::shared_ptr<const SealKey> SealKey::Create(const QString& passphrase, Costs costs, QString& error) {
    if (!SealedHeader::CheckCosts(costs.operations, costs.memoryKiB, error))
        return nullptr;
    if (costs.operations > SealedHeader::kUsualMaxOperations || costs.memoryKiB > SealedHeader::kUsualMaxMemoryKiB) {
        error = QStringLiteral("sealing uses at most %1 passes and %2 MiB for the key derivation")
                    .arg(SealedHeader::kUsualMaxOperations)
                    .arg(SealedHeader::kUsualMaxMemoryKiB / 1024);
        return nullptr;
    }
    if (sodium_init() < 0) {
        error = QStringLiteral("the cryptography library cannot start");
        return nullptr;
    }
    QByteArray salt(SealedHeader::kSaltSize, '\0');
    randombytes_buf(salt.data(), size_t(salt.size()));
    return Make(passphrase, salt, costs, error);
}

std::shared_ptr<const SealKey> SealKey::Derive(const QString& passphrase, const SealedHeader& header, QString& error) {
    return Make(passphrase, header.salt, {header.operations, header.memoryKiB}, error);
}

std::shared_ptr<const SealKey> SealKey::Make(const QString& passphrase, const QByteArray& salt, Costs costs,
                                             QString& error) {
    std::shared_ptr<SealKey> key;
    try {
        key.reset(new SealKey(salt, costs));
    } catch (const std::bad_alloc&) {
        error = QStringLiteral("there is not enough memory for the key");
        return nullptr;
    }
    QByteArray bytes = PassphraseBytes(passphrase);
    const bool derived = RunArgon2id(key->m_key, bytes, salt, costs);
    sodium_memzero(bytes.data(), size_t(bytes.size()));
    if (!derived) {
        error =
            QStringLiteral("the key cannot be derived: Argon2id needs %1 MiB of memory that the system did not give")
                .arg(costs.memoryKiB / 1024);
        return nullptr;
    }
    return key;
}

void SealKey::WipeText(QString& text) {
    if (text.isDetached())
        sodium_memzero(text.data(), size_t(text.size()) * sizeof(QChar));
    text.clear();
}

bool SealKey::Matches(const SealedHeader& header) const {
    return header.salt == m_salt && header.operations == m_costs.operations && header.memoryKiB == m_costs.memoryKiB;
}
