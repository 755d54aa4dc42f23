// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/CCard.h"
#include "model/CRecordList.h"

// All cards of a wallet, in id order.
class CCardList : public CRecordList<CCard> {};
