// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/CCategory.h"
#include "model/CRecordList.h"

// All categories of a wallet, in id order.
class CCategoryList : public CRecordList<CCategory> {};
