// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/InstalledInterface.h"

#include <QString>

class CCardList;
class CCardTemplate;
class CCategoryList;
class CTemplateList;

// What the records need of the open wallet: its lists, the display settings of new cards and its password gate. The
// wallet document installs itself here, so the records never reach for the document themselves.
class WalletContext : public InstalledInterface<WalletContext> {
public:
    struct CardDefaults {
        qint32 hidePasswords;
        qint32 boldNames;
        quint32 backColor;
        quint32 textColor;
    };

    WalletContext() = default;
    WalletContext(const WalletContext&) = delete;
    WalletContext& operator=(const WalletContext&) = delete;
    virtual ~WalletContext() = default;

    virtual const CCardList& Cards() const = 0;
    virtual const CTemplateList& Templates() const = 0;
    virtual const CCategoryList& Categories() const = 0;
    virtual CardDefaults NewCardDefaults() const = 0;
    // The gate before anything protected: true when the caller may go on. An empty name means the wallet's title.
    virtual bool RequestAccess(const QString& name) = 0;
    // The template the user picks, `preselected` (an internal name) first; none when cancelled.
    virtual CCardTemplate* SelectTemplate(const QString& preselected, bool showCreateLink) const = 0;
};
