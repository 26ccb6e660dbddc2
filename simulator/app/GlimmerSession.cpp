#include "simulator/app/GlimmerSession.h"

#include "simulator/app/CGlimmerView.h"
#include "simulator/app/CMainFrame.h"

namespace orb {

GlimmerSession::GlimmerSession(std::string imagePath, std::unique_ptr<ImageSource> image,
                               const SignFonts& fonts)
    : imagePath_(std::move(imagePath)),
      image_(std::move(image)),
      view_(new CGlimmerView(*image_, fonts)),
      frame_(std::make_unique<CMainFrame>(view_)),
      instance_(QString::fromStdString(imagePath_)) {
    connect(&instance_, &GlimmerInstance::reloadRequested, this, &GlimmerSession::reload);
}

GlimmerSession::~GlimmerSession() {
    view_->stopPlaying();
}

void GlimmerSession::show() {
    frame_->show();
    instance_.listen();  // without it each preview opens its own window, as before
}

void GlimmerSession::reload() {
    std::unique_ptr<ImageSource> again = FileImageSource::open(imagePath_);
    if (again) {
        view_->restart(*again);
        image_ = std::move(again);  // the old image is let go only after its player stopped
        ++reloads_;
    }
    frame_->bringToFront();
}

}  // namespace orb
