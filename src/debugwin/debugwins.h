#pragma once
// The debug windows the program creates at start-up.
#include <string>

#include "debugwin/debugform.h"
#include "debugwin/kybp.h"
#include "debugwin/kypopsel.h"
#include "debugwin/kyram.h"
#include "debugwin/kyreg2.h"
#include "debugwin/kystk.h"
#include "debugwin/kywatch.h"
#include "debugwin/sramrecord.h"
#include "guicommon/childform.h"
