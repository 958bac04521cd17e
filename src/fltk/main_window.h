#pragma once

// The main window: the header panel, the play panel and the status line, at
// the Windows player's places; closing it saves the progress.

#include <FL/Fl_Double_Window.H>

namespace brivel {
class MessageSink;
class QuizRecord;
class ResourceProvider;
}  // namespace brivel

class PlayPanel;

class MainWindow final : public Fl_Double_Window {
public:
    MainWindow(brivel::QuizRecord& record, brivel::ResourceProvider& resources,
               brivel::MessageSink& sink);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Restores the progress and shows picture 1; before the window is shown,
    // as the Windows play panel does it while it initialises.
    void Start();

protected:
    int handle(int event) override;

private:
    static void OnClose(Fl_Widget* window, void* data);
    static void OnSaveClicked(Fl_Widget* button, void* data);

    brivel::QuizRecord& record_;
    PlayPanel* play_ = nullptr;
    bool clicked_ = false;
};
