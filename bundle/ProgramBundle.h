#pragma once
// Program bundles (docs/program-bundle.md): one ZIP file holding "program.json", a program in the
// JSON form of docs/program-format.md whose picture paths are names of entries in the same ZIP,
// and those picture and phrase files. A bundle moves a program with its pictures between
// computers, where a project names absolute paths.
//
// Reading is in two steps, so that whoever receives a bundle decides where its files live:
//
//   ProgramBundle bundle;
//   BundleOutcome read = readBundle(uploadedBytes, bundle, limits);     // checks everything
//   if (!read.ok()) ... toText(read), and read.problems with their places
//   ItemStore store;
//   BundleOutcome done = importBundle(bundle, placer, store, &json);     // stores the files
//
// readBundle refuses anything that is not a plain, well-formed bundle (BundleOutcome names the
// entry), checks program.json as `orbctl import` does, and checks every picture it names with the
// decoders the image build uses; it writes nothing anywhere. importBundle hands each file to a
// placer, which stores it and says under which absolute path, then imports the program with each
// picture path replaced by that path.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "bundle/BundleArchive.h"
#include "bundle/BundleOutcome.h"
#include "image/ItemStore.h"

namespace orb {

// The entry that holds the program.
inline constexpr std::string_view kProgramEntry = "program.json";
// The folder of the bundle that writeBundle puts the files in: "media/001-logo.bmp", ...
inline constexpr std::string_view kMediaFolder = "media/";

// A bundle as read: the program and the files it names.
struct ProgramBundle {
    // program.json as the bundle holds it; its picture paths are entry names.
    std::string programJson;
    // Each file program.json names, once, in the order it is first named. Other entries of the
    // bundle are not kept.
    std::vector<BundleFile> files;
};

// Reads and checks the bundle ZIP. Refused, with the entry named: anything BundleArchive refuses
// (not a ZIP, unsafe names, links, duplicates, encryption, sizes over LIMITS); no program.json,
// or one the JSON import refuses (ProgramRefused; problems with their places); a picture path
// that names no file of the bundle (MissingFile) or a file the decoders refuse (BadPicture), each
// in problems with its place ("items[2].lines[1].path"). Warnings of the import come with Ok.
BundleOutcome readBundle(std::span<const uint8_t> zip, ProgramBundle& out, const BundleLimits& limits = {});
// The same, on the file at PATH (at most limits.maxArchiveBytes are read).
BundleOutcome readBundleFile(const std::string& path, ProgramBundle& out, const BundleLimits& limits = {});

// Writes STORE as a bundle: program.json (the export of ProgramJson, in its canonical layout)
// with every picture path replaced by a name "media/NNN-FILE", NNN numbering the distinct files
// from 001 and FILE the file's own name made portable, then each file. The files are read from
// the paths the project names and checked as readBundle checks them, so that what this writes,
// readBundle takes under the same LIMITS; a file that cannot be read or used is reported in
// problems with its place, and nothing is written. The same project and files always give the
// same bytes.
BundleOutcome writeBundle(const ItemStore& store, std::vector<uint8_t>& zip, const BundleLimits& limits = {});
// The same into the file at PATH, replaced whole or not at all (image/ReplaceFile).
BundleOutcome writeBundleFile(const ItemStore& store, const std::string& path,
                              const BundleLimits& limits = {});

// Where a placer stored a file: the absolute path (UTF-8) a project names it by from now on, or,
// when it could not store it, an empty path and why not.
struct PlacedFile {
    std::string path;
    std::string error;
};

// Stores one file of a bundle. Called once per file, in the order of ProgramBundle::files, on the
// caller's thread. The path it returns goes into the project as CP949 (the project's encoding):
// at most 511 bytes there, and only characters CP949 has, or the import refuses it at the places
// that name the file. A placer writes files whole (image/ReplaceFile), never half.
using FilePlacer = std::function<PlacedFile(const BundleFile& file)>;

// Places every file of BUNDLE through PLACE, then imports its program into STORE with each picture
// path replaced by the path its file was placed under; PROGRAMJSON, when given, receives the
// program as imported (canonical layout, the placed paths). STORE is changed only on success.
// Files placed before a failure stay where the placer put them (see FolderPlacer::removeCreated).
BundleOutcome importBundle(const ProgramBundle& bundle, const FilePlacer& place, ItemStore& store,
                           std::string* programJson = nullptr);

}  // namespace orb
