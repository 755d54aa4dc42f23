# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package, korvel_VERSION_ARCH.deb, of what cmake --install installs under /usr: cpack in the build folder,
# or tools/make-package.sh. Its library dependencies are computed by dpkg-shlibdeps. The desktop's caches (file types,
# programs, icons) are refreshed by the triggers of the packages that own them, which watch the folders the package
# installs into, so the package carries no maintainer scripts.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "Seed 93529fb2 maintainers <maintainers@users.noreply.c-seed-93529fb2.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "wallet for personal information")
# The extended description in lines of at most 80 columns, as the control file wants them; CPack marks the empty
# lines.
set(CPACK_PACKAGE_DESCRIPTION "Korvel keeps account numbers, passwords and PINs, credit cards, passports and
insurance policies in one wallet file: categories hold cards, and each card is
laid out by a template of up to 15 typed fields, with notes and up to three
attached files stored inside the wallet.

A numeric keypad password guards protected categories, the wallet locks itself
on a timer, and a wallet can be sealed: encrypted as a whole under a
passphrase. Cards are found by text and exported to text or XML, exports of
KeePass, Bitwarden and CSV files are imported, and templates are shared as
files.

The package holds the desktop program, korvel, and korvel-cli, which does every
wallet operation from the command line.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The programs as Debian ships them: without their debugging information.
set(CPACK_STRIP_FILES ON)
include(CPack)
