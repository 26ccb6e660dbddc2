#pragma once
// The window on one preview image: plays it, answers later Glimmers started on the same image by
// playing the image again from the start and coming to the front.
#include <QObject>
#include <memory>
#include <string>

#include "simulator/app/GlimmerInstance.h"
#include "simulator/engine/ImageSource.h"
#include "simulator/engine/SignFonts.h"

namespace orb {

class CGlimmerView;
class CMainFrame;

class GlimmerSession : public QObject {
    Q_OBJECT
  public:
    // The fonts must be loaded and outlive the session.
    GlimmerSession(std::string imagePath, std::unique_ptr<ImageSource> image, const SignFonts& fonts);
    ~GlimmerSession() override;  // the worker has left when this returns

    // Shows the window and starts answering later Glimmers on the same image.
    void show();
    // Opens the image again and plays it from the first item; an image that cannot be opened
    // leaves the current one playing. Either way the window comes to the front.
    void reload();

    CMainFrame& frame() { return *frame_; }
    CGlimmerView& view() { return *view_; }
    int reloads() const { return reloads_; }

  private:
    std::string imagePath_;
    std::unique_ptr<ImageSource> image_;
    CGlimmerView* view_;
    std::unique_ptr<CMainFrame> frame_;
    GlimmerInstance instance_;
    int reloads_ = 0;
};

}  // namespace orb
