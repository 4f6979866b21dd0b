#pragma once
// The program's forms, created at start-up in their fixed order and destroyed in reverse when the
// program ends.

#include <memory>

class TFrameForm;
class TNewBMPForm;
class TAboutBox;
class TJPGPar;
class THACT;
class TTransForm;

namespace startup {

// The application title: the frame's caption and the title of the program's message boxes.
inline constexpr auto ApplicationTitle = "Пиктаво";

// Sets the application's title and icon and gives Qt's own buttons and dialogs their Russian
// texts; call once the application object exists.
void initialiseApplication();

// Creates FrameForm, NewBMPForm, AboutBox, JPGPar, HACT and TransForm in that order and sets the
// program-wide references to them; the splash shows itself as it is created.
class ApplicationForms {
public:
    ApplicationForms();
    ~ApplicationForms();
    ApplicationForms(const ApplicationForms&) = delete;
    ApplicationForms& operator=(const ApplicationForms&) = delete;

    // Shows the frame, the splash staying above it.
    void showFrame();
    // Offers the pictures a run that ended without closing them left unsaved, and restores
    // them in windows of the frame when asked to.
    void offerRecovery();

private:
    std::unique_ptr<TFrameForm> frame_;
    std::unique_ptr<TNewBMPForm> newBmp_;
    std::unique_ptr<TAboutBox> about_;
    std::unique_ptr<TJPGPar> jpgPar_;
    std::unique_ptr<THACT> splash_;
    std::unique_ptr<TTransForm> trans_;
};

} // namespace startup
