#pragma once
// The card-operation screens behind the member screen's gates.
namespace frontdesk {

class TFMemberMain;

// Creates every card-operation screen that is part of the build and hands it
// to the member screen's gates.
void addCardScreens(TFMemberMain &members);

} // namespace frontdesk
