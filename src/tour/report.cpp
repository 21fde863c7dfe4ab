// SPDX-License-Identifier: GPL-3.0-or-later
#include "tour/report.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace tour {

namespace {

std::string Json(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

template <typename List>
std::string JsonList(const List& items) {
    std::string out = "[";
    for (const auto& item : items) out += (out.size() > 1 ? ", " : "") + Json(item);
    return out + "]";
}

std::string Html(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string EndName(OutcomeKind kind) {
    switch (kind) {
        case OutcomeKind::Place: return "place";
        case OutcomeKind::Exit: return "exit";
        case OutcomeKind::Fatal: return "fatal";
        case OutcomeKind::Crash: return "crash";
        case OutcomeKind::Hang: return "hang";
        case OutcomeKind::Limit: return "limit";
        case OutcomeKind::NotTried: return "not tried";
        case OutcomeKind::OffScreen: return "off screen";
    }
    return "";
}

std::string OutcomeJson(const Outcome& outcome) {
    std::string out = "{";
    if (outcome.kind == OutcomeKind::Place) {
        out += "\"place\": " + std::to_string(outcome.place);
    } else {
        out += "\"end\": " + Json(EndName(outcome.kind));
    }
    if (outcome.kind == OutcomeKind::Exit || outcome.kind == OutcomeKind::Fatal)
        out += ", \"status\": " + std::to_string(outcome.status);
    if (outcome.kind == OutcomeKind::Crash) out += ", \"signal\": " + std::to_string(outcome.status);
    if (!outcome.box.empty()) out += ", \"box\": " + Json(outcome.box);
    if (!outcome.notices.empty()) out += ", \"notices\": " + JsonList(outcome.notices);
    if (!outcome.movies.empty()) {
        out += ", \"movies\": [";
        for (std::size_t i = 0; i < outcome.movies.size(); ++i)
            out += (i ? ", " : "") + std::to_string(outcome.movies[i]);
        out += "]";
    }
    return out + "}";
}

std::string PlaceSnapshot(std::size_t id) { return "places/" + std::to_string(id) + ".png"; }
std::string MovieSnapshot(std::size_t id, const char* which) {
    return "movies/" + std::to_string(id) + "-" + which + ".png";
}

// Runs dot in `folder`, so the pictures the graph names stay relative to it.
bool RunDot(const std::filesystem::path& folder, std::string& error) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(folder.c_str()) != 0) ::_exit(127);
        ::execlp("dot", "dot", "-Tsvg", "-o", "graph.svg", "graph.dot", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error = WIFEXITED(status) && WEXITSTATUS(status) == 127 ? "the dot program (Debian graphviz) was not found"
                                                                : "dot failed";
        return false;
    }
    return true;
}

std::string Dot(const Tour& tour, const Coverage& coverage, const std::filesystem::path& outDir) {
    std::ostringstream dot;
    dot << "digraph tour {\n  graph [fontname=\"DejaVu Sans\" fontsize=11];\n  node [fontname=\"DejaVu Sans\" "
           "fontsize=10];\n"
           "  edge [fontname=\"DejaVu Sans\" fontsize=9];\n  start [shape=circle label=\"start\"];\n";
    for (std::size_t p = 0; p < tour.places.size(); ++p) {
        const Place& place = tour.places[p];
        const bool pictured = std::filesystem::exists(outDir / PlaceSnapshot(p));
        dot << "  p" << p << " [shape=plaintext URL=\"#place-" << p << "\" tooltip=\"" << Html(PlaceName(place))
            << "\" label=<<TABLE BORDER=\"1\" CELLBORDER=\"0\" BGCOLOR=\"#eef3ff\"><TR><TD FIXEDSIZE=\"TRUE\" "
               "WIDTH=\"128\" HEIGHT=\"96\">"
            << (pictured ? "<IMG SRC=\"" + PlaceSnapshot(p) + "\" SCALE=\"TRUE\"/>" : "no picture")
            << "</TD></TR><TR><TD>" << p << ": " << Html(PlaceName(place)) << "</TD></TR></TABLE>>];\n";
    }
    int ends = 0;
    auto arrow = [&](const std::string& from, const Outcome& outcome, const std::string& label) {
        std::string text = label;
        for (int movie : outcome.movies) text += "\\n> " + tour.movies[static_cast<std::size_t>(movie)].name;
        std::string to;
        if (outcome.kind == OutcomeKind::Place) {
            to = "p" + std::to_string(outcome.place);
        } else {
            to = "e" + std::to_string(ends++);
            std::string end = EndName(outcome.kind), colour = "#dddddd";
            if (outcome.kind == OutcomeKind::Exit) end += " " + std::to_string(outcome.status), colour = "#c8f0c8";
            if (outcome.kind == OutcomeKind::Fatal) end = "Fatal Error\\n" + Html(outcome.box), colour = "#ff8080";
            if (outcome.kind == OutcomeKind::Crash || outcome.kind == OutcomeKind::Hang) colour = "#d080ff";
            dot << "  " << to << " [shape=box style=filled fillcolor=\"" << colour << "\" label=\"" << end << "\"];\n";
        }
        dot << "  " << from << " -> " << to << " [label=\"" << Html(text) << "\"];\n";
    };
    arrow("start", tour.start, "");
    for (std::size_t p = 0; p < tour.places.size(); ++p)
        for (const Choice& choice : tour.places[p].choices)
            arrow("p" + std::to_string(p), choice.outcome,
                  choice.label + (choice.action.empty() ? "" : "\\n" + choice.action));
    if (coverage.unreached) {
        const Named& unreached = *coverage.unreached;
        dot << "  subgraph cluster_unreached {\n    label=\"named in the scripts, never reached\";\n"
               "    style=filled; fillcolor=\"#ffd27f\";\n";
        int u = 0;
        for (const auto* list : {&unreached.stills, &unreached.movies, &unreached.folders})
            for (const std::string& name : *list)
                dot << "    u" << u++ << " [shape=note style=filled fillcolor=\"#ffb030\" label=\"" << Html(name)
                    << (list == &unreached.folders ? "/" : "") << "\"];\n";
        if (u == 0) dot << "    none [shape=plaintext label=\"(none)\"];\n";
        dot << "  }\n";
    }
    dot << "}\n";
    return dot.str();
}

}  // namespace

std::string PlaceName(const Place& place) {
    return (place.folder == "." ? "" : place.folder + "/") + place.still + ":" + std::to_string(place.firstLine);
}

Coverage CoverageOf(const Tour& tour, const std::optional<Named>& named) {
    Coverage coverage;
    coverage.places = static_cast<int>(tour.places.size());
    coverage.choices = tour.branches;
    coverage.cut = tour.cut;
    if (!named) return coverage;
    Named unreached = *named;
    for (const Place& place : tour.places) {
        unreached.stills.erase(StillKey(place.folder, place.still));
        unreached.folders.erase(FolderKey(place.folder));
    }
    for (const Movie& movie : tour.movies) {
        unreached.movies.erase(MovieKey(movie.folder, movie.name));
        unreached.folders.erase(FolderKey(movie.folder));
    }
    coverage.unreached = unreached;
    return coverage;
}

void WriteInputs(const Tour& tour, const std::filesystem::path& outDir) {
    std::filesystem::create_directories(outDir / "inputs");
    for (std::size_t p = 0; p < tour.places.size(); ++p)
        std::ofstream(outDir / "inputs" / (std::to_string(p) + ".input")) << tour.places[p].input;
}

void WriteJson(const Tour& tour, const Coverage& coverage, const std::filesystem::path& file) {
    const std::filesystem::path outDir = file.parent_path();
    std::ofstream json(file);
    json << "{\n  \"start\": " << OutcomeJson(tour.start) << ",\n  \"places\": [";
    for (std::size_t p = 0; p < tour.places.size(); ++p) {
        const Place& place = tour.places[p];
        json << (p ? "," : "") << "\n    {\"id\": " << p << ", \"folder\": " << Json(place.folder)
             << ", \"still\": " << Json(place.still) << ", \"lines\": [" << place.firstLine << ", " << place.lastLine
             << "], \"time\": " << place.time << ",\n     \"snapshot\": "
             << (std::filesystem::exists(outDir / PlaceSnapshot(p)) ? Json(PlaceSnapshot(p)) : "null")
             << ", \"input\": " << Json("inputs/" + std::to_string(p) + ".input")
             << ", \"music\": " << JsonList(place.music) << ",\n     \"choices\": [";
        for (std::size_t c = 0; c < place.choices.size(); ++c) {
            const Choice& choice = place.choices[c];
            json << (c ? "," : "") << "\n       {\"choice\": " << Json(choice.label)
                 << ", \"action\": " << Json(choice.action) << ", \"input\": " << Json(choice.input)
                 << ", \"result\": " << OutcomeJson(choice.outcome) << "}";
        }
        json << "]}";
    }
    json << "\n  ],\n  \"movies\": [";
    for (std::size_t m = 0; m < tour.movies.size(); ++m) {
        const Movie& movie = tour.movies[m];
        json << (m ? "," : "") << "\n    {\"id\": " << m << ", \"folder\": " << Json(movie.folder)
             << ", \"name\": " << Json(movie.name)
             << ", \"first\": " << (movie.snapshots ? Json(MovieSnapshot(m, "first")) : "null")
             << ", \"last\": " << (movie.snapshots ? Json(MovieSnapshot(m, "last")) : "null") << "}";
    }
    json << "\n  ],\n  \"coverage\": {\"places\": " << coverage.places << ", \"choices\": " << coverage.choices
         << ", \"cut\": " << coverage.cut << ", \"unreached\": ";
    if (coverage.unreached) {
        json << "{\"stills\": " << JsonList(coverage.unreached->stills)
             << ", \"movies\": " << JsonList(coverage.unreached->movies)
             << ", \"folders\": " << JsonList(coverage.unreached->folders) << "}";
    } else {
        json << "null";
    }
    json << "},\n  \"limits\": " << JsonList(tour.limitsHit) << "\n}\n";
}

bool WriteMap(const Tour& tour, const Coverage& coverage, const std::vector<ScriptLines>& scripts,
              const std::filesystem::path& outDir, std::string& error) {
    std::ofstream(outDir / "graph.dot") << Dot(tour, coverage, outDir);
    if (!RunDot(outDir, error)) return false;
    std::ifstream svgFile(outDir / "graph.svg");
    std::string svg((std::istreambuf_iterator<char>(svgFile)), std::istreambuf_iterator<char>());
    if (const std::size_t start = svg.find("<svg"); start != std::string::npos) svg.erase(0, start);

    std::ofstream html(outDir / "index.html");
    html << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Tour</title>\n<style>\n"
            "body{font-family:sans-serif;margin:1em;background:#fff}\n.map{overflow:auto;border:1px solid #ccc}\n"
            "section{border-top:1px solid #ccc;padding:.5em 0}\npre{background:#f4f4f4;padding:.4em}\n"
            ".fatal{background:#ff8080}\n.unreached{background:#ffb030}\n</style></head><body>\n"
            "<h1>Tour</h1>\n<p>"
         << coverage.places << " places, " << coverage.choices << " choices tried, " << coverage.cut
         << " cut by a limit.</p>\n<div class=\"map\">\n"
         << svg << "</div>\n";
    if (coverage.unreached) {
        html << "<h2>Named in the scripts, never reached</h2>\n<ul class=\"unreached\">\n";
        for (const auto* list :
             {&coverage.unreached->stills, &coverage.unreached->movies, &coverage.unreached->folders})
            for (const std::string& name : *list) html << "<li>" << Html(name) << "</li>\n";
        html << "</ul>\n";
    }
    html << "<h2>Places</h2>\n";
    for (std::size_t p = 0; p < tour.places.size(); ++p) {
        const Place& place = tour.places[p];
        html << "<section id=\"place-" << p << "\"><h3>" << p << ": " << Html(PlaceName(place)) << "</h3>\n"
             << "<p><a href=\"" << PlaceSnapshot(p) << "\">snapshot</a> &middot; <a href=\"inputs/" << p
             << ".input\">input script</a></p>\n";
        for (const Choice& choice : place.choices) {
            const bool fatal = choice.outcome.kind == OutcomeKind::Fatal;
            html << "<div" << (fatal ? " class=\"fatal\"" : "") << ">" << Html(choice.label) << " "
                 << Html(choice.action) << " &rarr; "
                 << (choice.outcome.kind == OutcomeKind::Place
                         ? "<a href=\"#place-" + std::to_string(choice.outcome.place) + "\">place " +
                               std::to_string(choice.outcome.place) + "</a>"
                         : Html(EndName(choice.outcome.kind) + " " + choice.outcome.box))
                 << "</div>\n";
        }
        if (p < scripts.size() && !scripts[p].empty()) {
            html << "<pre>";
            int line = place.firstLine;
            for (const std::string& text : scripts[p]) html << line++ << "  " << Html(text) << "\n";
            html << "</pre>\n";
        }
        html << "<pre>" << Html(place.input) << "</pre></section>\n";
    }
    html << "</body></html>\n";
    return true;
}

}  // namespace tour
