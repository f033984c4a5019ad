#include "usage_text.h"

namespace orvane::cli {

std::wstring usage_text() {
  return LR"(Usage: orvane-cli [options] INPUT... [-o OUTPUT]

Stamps a text or logo watermark onto each INPUT image and writes a watermarked copy; the
inputs themselves are never changed. An INPUT is an image file, a folder (its
images; with -r also those of its sub-folders) or a wildcard such as *.jpg or
shoot\IMG_????.jpg (* and ? in the last part of the path; with -r it matches
in the sub-folders too).

Watermark:
  --text T               watermark text, at most 1000 characters (default "Sample watermark");
                         per image, {name} and {ext} become the input's file name
                         and extension, {width} and {height} its upright size,
                         {date} (YYYY-MM-DD) and {year} the day it was taken
                         (EXIF, else the file's last change), {camera} the camera
                         model, {n} its number in the batch ({n:3}: 001); {{ and
                         }} are braces, other {...} stay as written
  --font F               font family, drawn bold (default "Segoe UI"); a family
                         that is not installed is replaced by the default
                         sans-serif font, with a warning
  --size PX|P%           font size in pixels, greater than 0, or in percent of
                         the image's shorter side, 0.5% to 50% (default 36)
  --color RRGGBB         text colour in hexadecimal, '#' optional (default FFFFFF)
  --opacity 0..1         opacity of the text (default 0.43, alpha 110 of 255)
  --rotation DEG         turn of the text in degrees; negative rises to the right
                         (default -30)
  --spacing-x PX|P%      horizontal step of the tiled layouts (default 260)
  --spacing-y PX|P%      vertical step of the tiled layouts (default 180);
                         steps below 32 act as 32 pixels; a percentage, 2% to
                         100% of the image's shorter side, given for one alone
                         is used for both
  --layout NAME          grid, staggered, top-left, top-center, top-right,
                         center-left, center, center-right, bottom-left,
                         bottom-center, bottom-right (default grid)
  --fit, --no-fit        shrink the text of a single-stamp layout until it fits
                         its ninth of the image (default --fit)
  --margin PX|P%         set a single stamp against the edges its layout names,
                         its turned box this far from them (pixels, or percent
                         of the image's shorter side, up to half that side);
                         without it the stamp is centred in its ninth; center
                         and the tiled layouts ignore it
  --logo FILE            an image (a PNG with transparency, or any format read
                         as input) stamped before the text, or alone when no
                         --text or --text "" is given; an unreadable logo stops
                         the run before any image is written
  --logo-size PX|P%      the logo's longer side in pixels, or in percent of the
                         image's shorter side, 1% to 100% (default 15%)
  --outline W[%][:RRGGBB]
                         an outline around the text's glyphs, W pixels wide (up
                         to 200) or W% of the text size (up to 50%), in the
                         colour given (default 000000)
  --shadow               a soft shadow under the whole mark (default offset
                         5%,5% and blur 8% of the text size, black at 0.6)
  --shadow-offset X,Y    the shadow's offset: pixels (-1000 to 1000), or both in
                         percent of the text size (5%,5%); the offset and the
                         blur share their unit
  --shadow-blur B|B%     the shadow's blur radius, pixels or percent
  --shadow-color RRGGBB  the shadow's colour (default 000000)
  --shadow-opacity 0..1  the shadow's own opacity, under the mark's (default 0.6);
                         any --shadow-... option turns the shadow on
                         (the mark's size is the logo's for a logo alone)
  --quality 1..100       JPEG quality of JPEG outputs (default 90); where the
                         platform's encoder ignores it, the report says so
  --keep-source-quality  for JPEG outputs, use the quality recorded in the input
                         when it has one

Presets:
  --preset-file FILE     start from the settings of a preset file (*.orvane.json);
                         options given on the command line override its values
  --preset NAME          the same from the user's preset NAME (saved by the
                         window or by --save-preset)
  --save-preset NAME     save the effective settings as the user's preset NAME,
                         replacing one of that name
  --save-preset-file FILE
                         save the effective settings to a preset file
                         With no INPUT these only save, and the exit status says
                         whether the save worked. A preset whose logo is missing
                         is used without it, with a warning.

Outputs:
  -o, --output OUTPUT    one input file: the output file, or a folder (an
                         existing one, or a name ending in \) to hold the
                         default name; several inputs, a folder or a wildcard:
                         the folder for all outputs, created when missing
  --overwrite            replace output files that already exist
  --skip-existing        outputs that already exist are done: skipped without a
                         note and without failing the exit status (for
                         resuming and retrying batches)

Batches:
  -r, --recursive        folders and wildcards also search their sub-folders
  -j, --jobs N           images worked on at once (default: one per processor);
                         a file waits while the memory its export needs is
                         taken by the others
  --memory-limit SIZE    memory the exports at once may count on, e.g. 6G or
                         800M (default: the memory available at the start)
  --slice K/N            work on part K of N (1 <= K <= N): every Nth file of
                         the batch, starting with the Kth, for spreading one
                         batch over several runs or machines
  --json                 one JSON object per file on standard output
  -q, --quiet            print only failures
  --no-progress          one line per file on a console too, instead of the
                         progress line
  -h, --help             show this help
  --version              print the program's version and exit
  --                     treat every later argument as an input
Values can also be written --name=VALUE.

Outputs: without -o each copy goes beside its input as STEM-watermarked.EXT.
With -o FOLDER, files found in a folder or by a wildcard keep their path below
it, so the folder structure is mirrored; files named one by one go straight
into it. Two inputs that would be written to one output are bad usage, found
before any file is written. The output's extension chooses the format (png,
jpg, jpeg, bmp, gif, tif, tiff); any other extension keeps the input's format.
An output that is the same file as any input, by whatever path, is refused. An
output file that already exists is skipped (reported on standard error, exit
status 1) unless --overwrite is given; the other inputs are still written.
JPEG, PNG and TIFF copies keep the input's colour profile and resolution.

Folders and wildcards take files ending in .jpg, .jpeg, .jpe, .jfif, .png, .bmp,
.dib, .gif, .tif or .tiff; other files, and files whose contents are not such
an image, are skipped with a note. Hidden and system files, links to other
folders, the -o folder and copies this command made beside their inputs are
left out. Files are taken in name order, folder by folder.

Prints one line per written image on standard output:
  INPUT -> OUTPUT: WIDTHxHEIGHT, orientation N, MIME-TYPE [qQUALITY]
and one line per failed or skipped image on standard error:
  INPUT: message
then goes on with the next image. The lines come in the order of the inputs,
whatever the number of jobs. On a console a batch shows one progress line
instead (done and total, failures, speed, time left) and a summary; failures
are still listed. With --json each file is one line on standard output:
  {"input", "output", "status" (written, skipped, failed or cancelled),
   "message", "width", "height", "orientation", "encoder", "quality",
   "input_bytes", "output_bytes", "milliseconds"}

Ctrl+C stops the batch: the files in progress are finished and no new one is
started; a second Ctrl+C abandons those too. No partial output is left, and
the same command again finishes the rest.

Exit status: 0 every image written, 1 some image failed (or a preset could not
be read or saved), 2 bad usage. Skipped
images count as failed, except non-images found in folders or by wildcards and,
with --skip-existing, outputs that already exist. An interrupted batch ends
with 0xC000013A (STATUS_CONTROL_C_EXIT), as Ctrl+C ends other programs.
)";
}

}  // namespace orvane::cli
