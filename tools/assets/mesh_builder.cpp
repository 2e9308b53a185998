#include "mesh_builder.h"

#include <cstdio>

#include "fmath.h"

Vec normalised(Vec v) {
    const double l = dm::sqrt(dot(v, v));
    return l > 0 ? v * (1 / l) : Vec{0, 0, 1};
}

int MeshBuilder::vertex(Vec p) {
    positions.push_back(p);
    fixedNormals.push_back(Vec{});
    hasFixedNormal.push_back(false);
    return static_cast<int>(positions.size()) - 1;
}

int MeshBuilder::texel(double column, double row) {
    column = dm::clamp(column, 0, 255);
    row = dm::clamp(row, 0, 255);
    for (size_t i = 0; i < texels.size(); i++)
        if (texels[i].u == column && texels[i].v == row) return static_cast<int>(i);
    texels.push_back(Texel{column, row});
    return static_cast<int>(texels.size()) - 1;
}

void MeshBuilder::face(int a, int b, int c, int ta, int tb, int tc, int material) {
    faces.push_back(Face{{a, b, c}, {ta, tb, tc}, material});
}

void MeshBuilder::face(int a, int b, int c, Texel ta, Texel tb, Texel tc, int material) {
    // The texels are numbered in a fixed order, last corner first (the order
    // the meshes have always been written in), so that the file is the same
    // whichever order a compiler evaluates function arguments in.
    const int third = texel(tc.u, tc.v);
    const int second = texel(tb.u, tb.v);
    const int first = texel(ta.u, ta.v);
    face(a, b, c, first, second, third, material);
}

void MeshBuilder::quad(int a, int b, int c, int d, Texel ta, Texel tb, Texel tc, Texel td,
                       int material) {
    face(a, b, c, ta, tb, tc, material);
    face(a, c, d, ta, tc, td, material);
}

void MeshBuilder::setNormal(int v, Vec normal) {
    fixedNormals[v] = normalised(normal);
    hasFixedNormal[v] = true;
}

std::vector<Vec> MeshBuilder::vertexNormals() const {
    // Area-weighted average of the faces around each vertex.
    std::vector<Vec> sum(positions.size());
    for (const Face& f : faces) {
        const Vec n =
            cross(positions[f.v[1]] - positions[f.v[0]], positions[f.v[2]] - positions[f.v[0]]);
        for (int k = 0; k < 3; k++)
            sum[f.v[k]] = sum[f.v[k]] + n;
    }
    for (size_t i = 0; i < sum.size(); i++)
        sum[i] = hasFixedNormal[i] ? fixedNormals[i] : normalised(sum[i]);
    return sum;
}

namespace {

// ASE numbers: four decimals, and never "-0.0000".
void number(FILE* f, double v) {
    if (v > -0.00005 && v < 0.00005) v = 0;
    fprintf(f, "\t%.4f", v);
}

} // namespace

bool MeshBuilder::write(const std::string& path, const std::string& name,
                        const std::string& texture) const {
    FILE* f = fopen(path.c_str(), "w");
    if (!f) {
        fprintf(stderr, "demo-assets: cannot write %s\n", path.c_str());
        return false;
    }
    const double SCALE = 40 * scale; // the show divides by 40 when it loads
    fprintf(f, "*3DSMAX_ASCIIEXPORT\t200\n");
    fprintf(f, "*COMMENT \"AsciiExport Version  2,00 - drawn by demo-assets\"\n");
    fprintf(f,
            "*SCENE {\n\t*SCENE_FILENAME \"%s.max\"\n\t*SCENE_FIRSTFRAME 0\n"
            "\t*SCENE_LASTFRAME 100\n\t*SCENE_FRAMESPEED 30\n\t*SCENE_TICKSPERFRAME 160\n"
            "\t*SCENE_BACKGROUND_STATIC 0.0000\t0.0000\t0.0000\n"
            "\t*SCENE_AMBIENT_STATIC 0.0000\t0.0000\t0.0000\n}\n",
            name.c_str());
    // One multi-material: sub-material 0 is the texture, 1 the same picture
    // as a reflection (environment) map.
    fprintf(f,
            "*MATERIAL_LIST {\n\t*MATERIAL_COUNT 1\n\t*MATERIAL 0 {\n"
            "\t\t*MATERIAL_NAME \"%s\"\n\t\t*MATERIAL_CLASS \"Multi/Sub-Object\"\n"
            "\t\t*MATERIAL_AMBIENT 0.5882\t0.5882\t0.5882\n"
            "\t\t*MATERIAL_DIFFUSE 0.5882\t0.5882\t0.5882\n"
            "\t\t*MATERIAL_SPECULAR 0.9000\t0.9000\t0.9000\n"
            "\t\t*MATERIAL_SHINE 0.1000\n\t\t*MATERIAL_SHINESTRENGTH 0.0000\n"
            "\t\t*MATERIAL_TRANSPARENCY 0.0000\n\t\t*MATERIAL_WIRESIZE 1.0000\n"
            "\t\t*NUMSUBMTLS 2\n",
            name.c_str());
    const char* kinds[2] = {"MAP_DIFFUSE", "MAP_REFLECT"};
    for (int m = 0; m < 2; m++)
        fprintf(f,
                "\t\t*SUBMATERIAL %d {\n\t\t\t*MATERIAL_NAME \"%s_%s\"\n"
                "\t\t\t*MATERIAL_CLASS \"Standard\"\n"
                "\t\t\t*MATERIAL_AMBIENT 0.5882\t0.5882\t0.5882\n"
                "\t\t\t*MATERIAL_DIFFUSE 0.5882\t0.5882\t0.5882\n"
                "\t\t\t*MATERIAL_SPECULAR 0.9000\t0.9000\t0.9000\n"
                "\t\t\t*MATERIAL_SHINE 0.2500\n\t\t\t*MATERIAL_SHINESTRENGTH 0.0500\n"
                "\t\t\t*MATERIAL_TRANSPARENCY 0.0000\n\t\t\t*MATERIAL_WIRESIZE 1.0000\n"
                "\t\t\t*MATERIAL_SHADING Blinn\n\t\t\t*MATERIAL_XP_FALLOFF 0.0000\n"
                "\t\t\t*MATERIAL_SELFILLUM 0.0000\n\t\t\t*MATERIAL_FALLOFF In\n"
                "\t\t\t*MATERIAL_XP_TYPE Filter\n\t\t\t*%s {\n"
                "\t\t\t\t*MAP_NAME \"%s\"\n\t\t\t\t*MAP_CLASS \"Bitmap\"\n"
                "\t\t\t\t*MAP_SUBNO %d\n\t\t\t\t*MAP_AMOUNT 1.0000\n"
                "\t\t\t\t*BITMAP \"%s\"\n\t\t\t\t*MAP_TYPE %s\n"
                "\t\t\t\t*UVW_U_OFFSET 0.0000\n\t\t\t\t*UVW_V_OFFSET 0.0000\n"
                "\t\t\t\t*UVW_U_TILING 1.0000\n\t\t\t\t*UVW_V_TILING 1.0000\n"
                "\t\t\t\t*UVW_ANGLE 0.0000\n\t\t\t\t*UVW_BLUR 1.0000\n"
                "\t\t\t\t*UVW_BLUR_OFFSET 0.0000\n\t\t\t\t*UVW_NOUSE_AMT 1.0000\n"
                "\t\t\t\t*UVW_NOISE_SIZE 1.0000\n\t\t\t\t*UVW_NOISE_LEVEL 1\n"
                "\t\t\t\t*UVW_NOISE_PHASE 0.0000\n\t\t\t\t*BITMAP_FILTER Pyramidal\n"
                "\t\t\t}\n\t\t}\n",
                m, name.c_str(), m == 0 ? "texture" : "chrome", kinds[m], texture.c_str(),
                m == 0 ? 1 : 9, texture.c_str(), m == 0 ? "Screen" : "Spherical");
    fprintf(f, "\t}\n}\n");

    fprintf(f,
            "*GEOMOBJECT {\n\t*NODE_NAME \"%s\"\n\t*NODE_TM {\n\t\t*NODE_NAME \"%s\"\n"
            "\t\t*INHERIT_POS 0 0 0\n\t\t*INHERIT_ROT 0 0 0\n\t\t*INHERIT_SCL 0 0 0\n"
            "\t\t*TM_ROW0 1.0000\t0.0000\t0.0000\n\t\t*TM_ROW1 0.0000\t1.0000\t0.0000\n"
            "\t\t*TM_ROW2 0.0000\t0.0000\t1.0000\n\t\t*TM_ROW3 0.0000\t0.0000\t0.0000\n"
            "\t\t*TM_POS 0.0000\t0.0000\t0.0000\n"
            "\t\t*TM_ROTAXIS 0.0000\t0.0000\t0.0000\n\t\t*TM_ROTANGLE 0.0000\n"
            "\t\t*TM_SCALE 1.0000\t1.0000\t1.0000\n"
            "\t\t*TM_SCALEAXIS 0.0000\t0.0000\t0.0000\n\t\t*TM_SCALEAXISANG 0.0000\n\t}\n",
            name.c_str(), name.c_str());
    fprintf(f, "\t*MESH {\n\t\t*TIMEVALUE 0\n\t\t*MESH_NUMVERTEX %zu\n\t\t*MESH_NUMFACES %zu\n",
            positions.size(), faces.size());
    fprintf(f, "\t\t*MESH_VERTEX_LIST {\n");
    for (size_t i = 0; i < positions.size(); i++) {
        fprintf(f, "\t\t\t*MESH_VERTEX %4zu", i);
        number(f, positions[i].x * SCALE);
        number(f, positions[i].y * SCALE);
        number(f, positions[i].z * SCALE);
        fprintf(f, "\n");
    }
    fprintf(f, "\t\t}\n\t\t*MESH_FACE_LIST {\n");
    for (size_t i = 0; i < faces.size(); i++) {
        const Face& fc = faces[i];
        fprintf(f,
                "\t\t\t*MESH_FACE %4zu:    A: %4d B: %4d C: %4d AB:    1 BC:    1 CA:    1"
                "\t *MESH_SMOOTHING 1 \t*MESH_MTLID %d\n",
                i, fc.v[0], fc.v[1], fc.v[2], fc.material);
    }
    fprintf(f, "\t\t}\n\t\t*MESH_NUMTVERTEX %zu\n\t\t*MESH_TVERTLIST {\n", texels.size());
    for (size_t i = 0; i < texels.size(); i++) {
        // Columns and rows of the 256x256 picture as 0..1; v counts upwards.
        fprintf(f, "\t\t\t*MESH_TVERT %zu", i);
        number(f, texels[i].u / 255.0);
        number(f, 1 - texels[i].v / 255.0);
        number(f, 0);
        fprintf(f, "\n");
    }
    fprintf(f, "\t\t}\n\t\t*MESH_NUMTVFACES %zu\n\t\t*MESH_TFACELIST {\n", faces.size());
    for (size_t i = 0; i < faces.size(); i++)
        fprintf(f, "\t\t\t*MESH_TFACE %zu\t%d\t%d\t%d\n", i, faces[i].t[0], faces[i].t[1],
                faces[i].t[2]);
    fprintf(f, "\t\t}\n\t\t*MESH_NUMCVERTEX 0\n\t\t*MESH_NORMALS {\n");
    const std::vector<Vec> normals = vertexNormals();
    for (size_t i = 0; i < faces.size(); i++) {
        const Face& fc = faces[i];
        const Vec n = normalised(cross(positions[fc.v[1]] - positions[fc.v[0]],
                                       positions[fc.v[2]] - positions[fc.v[0]]));
        fprintf(f, "\t\t\t*MESH_FACENORMAL %zu", i);
        number(f, n.x);
        number(f, n.y);
        number(f, n.z);
        fprintf(f, "\n");
        for (int k = 0; k < 3; k++) {
            fprintf(f, "\t\t\t\t*MESH_VERTEXNORMAL %d", fc.v[k]);
            number(f, normals[fc.v[k]].x);
            number(f, normals[fc.v[k]].y);
            number(f, normals[fc.v[k]].z);
            fprintf(f, "\n");
        }
    }
    fprintf(f, "\t\t}\n\t}\n\t*PROP_MOTIONBLUR 0\n\t*PROP_CASTSHADOW 1\n\t*PROP_RECVSHADOW 1\n"
               "\t*MATERIAL_REF 0\n}\n");
    const bool ok = fclose(f) == 0;
    if (!ok) fprintf(stderr, "demo-assets: cannot write %s\n", path.c_str());
    return ok;
}
