#pragma once
// Places a bundle's files in a folder under their entry names, as `orbctl import --media DIR`
// does: "media/001-logo.bmp" becomes DIR/media/001-logo.bmp.
#include <filesystem>
#include <string>
#include <vector>

#include "bundle/ProgramBundle.h"

namespace orb {

class FolderPlacer {
  public:
    // FOLDER is made absolute against the working folder now; it is created when first needed.
    explicit FolderPlacer(const std::string& folder);

    // Writes FILE whole (image/ReplaceFile) at FOLDER/NAME, making the folders on the way. A file
    // already there with the same bytes is kept and named; one with other bytes, or anything that
    // is not a regular file, is left as it is and the file refused.
    PlacedFile place(const BundleFile& file);
    // place() as a FilePlacer; this object must outlive it.
    FilePlacer placer() {
        return [this](const BundleFile& file) { return place(file); };
    }

    // The files place() wrote, not those it found already there.
    const std::vector<std::string>& created() const { return created_; }
    // The folders place() made, outermost first.
    const std::vector<std::string>& createdFolders() const { return createdFolders_; }
    // Removes them, for an import that failed after its files were placed.
    void removeCreated();

  private:
    std::string makeFolders(const std::filesystem::path& folder);

    std::filesystem::path folder_;
    std::vector<std::string> created_, createdFolders_;
};

// Removes FILES, then those of FOLDERS (outermost first) that are left empty.
void removePlaced(const std::vector<std::string>& files, const std::vector<std::string>& folders);

}  // namespace orb
