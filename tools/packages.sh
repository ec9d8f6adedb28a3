# The Debian packages the project builds and tests with (sourced by run.sh and test.sh).
build_packages=(cmake make g++ pkg-config qt6-base-dev qt6-serialport-dev qt6-tools-dev
    qt6-l10n-tools qt6-translations-l10n libgl-dev fonts-wqy-microhei libbenchmark-dev)
fuzz_packages=(clang libclang-rt-14-dev)
desktop_packages=(xvfb xauth imagemagick)
