// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The one installed implementation of an interface that the core reaches out through (the wallet for the records,
// the desktop program's windows for the document): `class Editor : public InstalledInterface<Editor>`. Installing
// replaces the one before (not owned); none is installed at first.
template <class Interface> class InstalledInterface {
public:
    static Interface* Get() { return Slot(); }
    static void Install(Interface* instance) { Slot() = instance; }

private:
    static Interface*& Slot() {
        static Interface* instance = nullptr;
        return instance;
    }
};
