#include "cardscreens.h"

#include "memberscreen.h"

#ifdef FRONTDESK_WITH_CARDS
#include "countscreens.h"
#include "tfhycz.h"
#include "tfhykk.h"
#include "tfhyws.h"
#include "tfxkk.h"
#endif

namespace frontdesk {

namespace {

template <typename T>
TFMemberMain::ScreenFactory factory()
{
    return [](MemberDesk &desk, QWidget *parent) -> QDialog * { return new T(desk, parent); };
}

} // namespace

void addCardScreens([[maybe_unused]] TFMemberMain &members)
{
#ifdef FRONTDESK_WITH_CARDS
    members.addScreen(Screen::Recharge, factory<Tfhycz>());
    members.addScreen(Screen::Deduction, factory<Tfhykk>());
    members.addScreen(Screen::Mischarge, factory<Tfhyws>());
    members.addScreen(Screen::CountDeduction, factory<Tfckkk>());
    members.addScreen(Screen::CountRecharge, factory<Tfckcz>());
    members.addScreen(Screen::CountCorrection, factory<Tfckws>());
    members.addScreen(Screen::CardIssue, factory<Tfxkk>());
#endif
}

} // namespace frontdesk
